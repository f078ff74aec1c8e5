#pragma once
#include "core/message_id.h"

// The engine's static message ids. Their names are what scripts see as globals.
extern vK_MessageId MSG_Message_Null;
extern vK_MessageId MSG_Command_ShowSubtitles;
extern vK_MessageId MSG_Event_AltEnterToggled;
extern vK_MessageId MSG_Event_AltF1;
extern vK_MessageId MSG_Command_EditorShowLogMesage;
extern vK_MessageId MSG_Command_InitializeListener;
extern vK_MessageId MSG_Command_DestroyListener;
extern vK_MessageId MSG_Event_Vrakko_ScriptHub_Script_Error;
