#include "core/message_ids.h"

vK_MessageId MSG_Message_Null("Message_Null");
vK_MessageId MSG_Command_ShowSubtitles("Command_ShowSubtitles");
vK_MessageId MSG_Event_AltEnterToggled("Event_AltEnterToggled");
vK_MessageId MSG_Event_AltF1("Event_AltF1");
vK_MessageId MSG_Command_EditorShowLogMesage("Command_EditorShowLogMesage");
vK_MessageId MSG_Command_InitializeListener("Command_InitializeListener");
vK_MessageId MSG_Command_DestroyListener("Command_DestroyListener");
vK_MessageId MSG_Event_Vrakko_ScriptHub_Script_Error("Event_Vrakko_ScriptHub_Script_Error");
