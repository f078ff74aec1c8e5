#include "core/message_ids.h"

vK_MessageId MSG_Message_Null("Message_Null", "",
                              "The id every unknown name maps to in lookups; nothing is sent with it.");
vK_MessageId MSG_Command_ShowSubtitles("Command_ShowSubtitles", "{show = int, text_id = string}",
                                       "Sent by a playing video at each subtitle cue of its .srt file: show "
                                       "1 with the string id to display, show 0 to hide.");
vK_MessageId MSG_Event_AltEnterToggled("Event_AltEnterToggled", "{}",
                                       "Sent after Alt+Enter switched between window and full screen.");
vK_MessageId MSG_Event_AltF1(
    "Event_AltF1", "", "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_EditorShowLogMesage(
    "Command_EditorShowLogMesage", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_InitializeListener(
    "Command_InitializeListener", "",
    "Delivered by a native listener to itself when it starts listening; scripts never receive it.");
vK_MessageId MSG_Command_DestroyListener(
    "Command_DestroyListener", "",
    "Delivered by a native listener to itself when it stops listening; scripts never receive it.");
vK_MessageId MSG_Event_Vrakko_ScriptHub_Script_Error(
    "Event_Vrakko_ScriptHub_Script_Error",
    "{crash = \"1\" | module = string, line = int, callstack = {{funcname, runtype, chunkname, line, "
    "locals}, ...}}",
    "Sent when a script fails (crash) or reaches __breakpoint(module, line), with the call stack and every "
    "level's local variables.");
