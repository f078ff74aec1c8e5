#include "game/game_message_ids.h"

vK_MessageId MSG_Command_Application_SwitchLevel(
    "Command_Application_SwitchLevel", "{module = string, func = string}",
    "Starts the switch to the level module (SwitchLevel sends it): the loading screen fades in, the old "
    "level is deleted and the new module loaded, then func runs.");
vK_MessageId MSG_Request_Application_GetMatrix(
    "Request_Application_GetMatrix", "{} -> {matrix = {16 numbers}}",
    "Answered by the application with the matrix of its root (reference space to display), row by row.");
vK_MessageId MSG_Request_Application_GetWidht("Request_Application_GetWidht", "{} -> {width = number}",
                                              "Answered with the reference area's usable width: 1024, or "
                                              "1366 in widescreen, less when the display is narrower.");
vK_MessageId MSG_Request_Application_IsForceFullscreen(
    "Request_Application_IsForceFullscreen", "{} -> {result = bool}",
    "Answered with whether the game had to run full screen because no window of its size fits the desktop.");
vK_MessageId MSG_Request_Application_Scale("Request_Application_Scale",
                                           "{} -> {scale_x = number, scale_y = number}",
                                           "Answered with the current level's zoom scale.");
vK_MessageId MSG_Event_Application_ToggleFullScreen("Event_Application_ToggleFullScreen",
                                                    "{togglewidescreen = bool, togglefullscreen = bool}",
                                                    "Sent after the display mode changed, saying which of "
                                                    "the two switches differs from the player's settings.");
vK_MessageId MSG_Event_Application_Closing(
    "Event_Application_Closing", "{}",
    "Sent when the game is about to end, before the current level closes.");
vK_MessageId MSG_Event_Application_Unpaused(
    "Event_Application_Unpaused", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Application_ChangeWidescreen(
    "Command_Application_ChangeWidescreen", "{widescreen = bool}",
    "Sent by SetWideScreen; the application switches the reference area at the next display change.");
vK_MessageId MSG_Command_Level_Pause(
    "Command_Level_Pause", "{pause = int}",
    "Sent by PauseLevel: pause 1 stops the level's content from updating, any other value resumes it.");
vK_MessageId MSG_Request_Level_IsLoading("Request_Level_IsLoading", "{} -> {loading = int}",
                                         "Answered by the level with 1 while its loading screen is up.");
vK_MessageId MSG_Request_Level_TryApplyObj(
    "Request_Level_TryApplyObj", "{obj_name, toobj_name, parentobj_name} -> {result = int}",
    "Sent by ApplyObj: result 1 when the two objects' input rectangles overlap, the target lies under the "
    "parent and the level takes input.");
vK_MessageId MSG_Event_Level_CheaterSaveScreenshot(
    "Event_Level_CheaterSaveScreenshot", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_Level_ScreenshotSaved(
    "Event_Level_ScreenshotSaved", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_Level_CheatKeyPressed(
    "Event_Level_CheatKeyPressed", "{key = int}",
    "Sent in cheater builds for the cheater profile when a key goes down in an active level; key 9 (Tab) "
    "toggles the outline of clickable objects.");
vK_MessageId MSG_Event_Cheater_KeyPressed(
    "Event_Cheater_KeyPressed", "{key = int}",
    "Sent in cheater builds for the cheater profile for every key that goes down.");
vK_MessageId MSG_Command_Level_SetZoom(
    "Command_Level_SetZoom", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Pause_Show(
    "Command_Pause_Show", "{}",
    "Sent when the game pauses (the window lost focus); the interface hides the item flights.");
vK_MessageId MSG_Command_Pause_Hide(
    "Command_Pause_Hide", "{}", "Sent when the game resumes; the interface shows the item flights again.");
vK_MessageId MSG_Command_Interface_UpdateGameMode(
    "Command_Interface_UpdateGameMode", "{mode = int}",
    "Sets the interface's game mode; every partsys_gm whose game_mode is below it freezes.");
vK_MessageId MSG_Command_Interface_SetInput("Command_Interface_SetInput", "{input = int}",
                                            "Turns the interface's input on (1) or off (any other value).");
vK_MessageId MSG_Command_Interface_UpdateTextures(
    "Command_Interface_UpdateTextures", "{}",
    "Sent after a display change; the interface re-creates its textures.");
vK_MessageId MSG_Command_Transporter_MoveObject(
    "Command_Transporter_MoveObject",
    "{obj_name, toobj_name, type = int, end_trig = handler, show = bool, red_time = number, scale = number}",
    "Flies an item to a target object (type: Trans_SceneToInventory 0, Trans_SceneToTaskPanel 1, "
    "Trans_InventoryToCursor 2, Trans_CursorToInventory 3, Trans_HintFly 4) and queues end_trig when it "
    "lands, or red_time seconds before.");
vK_MessageId MSG_Command_Transporter_StopAnim(
    "Command_Transporter_StopAnim", "{obj_name = string}",
    "Ends the flight of that item where it is, without its trigger; without obj_name every flight ends.");
vK_MessageId MSG_Event_Logic_ModifierEnd(
    "Event_Logic_ModifierEnd", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_GotoMainMenu(
    "Event_GotoMainMenu", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_FullHideWait(
    "Event_FullHideWait", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_FullBack(
    "Event_FullBack", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_IOS_RateGame(
    "Event_IOS_RateGame", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_IOS_Support(
    "Event_IOS_Support", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_IOS_PrivacyPolicy(
    "Event_IOS_PrivacyPolicy", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_IOS_TermsOfService(
    "Event_IOS_TermsOfService", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_IOS_OpenUrl(
    "Event_IOS_OpenUrl", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_CanShowLoading(
    "Command_Level_CanShowLoading", "{visible = bool}",
    "Whether the opening fade of the next levels shows the loading screen (off until a script sends visible "
    "true); the leaving fade always shows it.");
vK_MessageId MSG_Command_Level_SubRoomInside(
    "Command_Level_SubRoomInside", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_ResetZoom(
    "Command_Level_ResetZoom", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_ResetZoomDeploy(
    "Command_Level_ResetZoomDeploy", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_ResetZoomHO(
    "Command_Level_ResetZoomHO", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_RestoreZoom(
    "Command_Level_RestoreZoom", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Request_Level_Zoom(
    "Request_Level_Zoom", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Request_Interface_IsHo(
    "Request_Interface_IsHo", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Command_Level_Loaded(
    "Command_Level_Loaded", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_KWL_Version_Check_Response(
    "Event_KWL_Version_Check_Response", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_KWL_Version_Check_Update_Available(
    "Event_KWL_Version_Check_Update_Available", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_KWL_Version_Check_Update_Required(
    "Event_KWL_Version_Check_Update_Required", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_KWL_Version_Check_Perform_Update(
    "Event_KWL_Version_Check_Perform_Update", "{}",
    "Sent by PerformUpdate; nothing receives it on this platform.");
vK_MessageId MSG_Event_Android_BackPressed("Event_Android_BackPressed", "",
                                           "Sent by a handheld port's back button; never on this platform.");
vK_MessageId MSG_Event_ObbDownloadProgress_Internal(
    "Event_ObbDownloadProgress_Internal", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_ObbDownloadProgress(
    "Event_ObbDownloadProgress", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_ObbDownloadCompleted_Internal(
    "Event_ObbDownloadCompleted_Internal", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_ObbDownloadCompleted(
    "Event_ObbDownloadCompleted", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_ObbDownloadStateChanged_Internal(
    "Event_ObbDownloadStateChanged_Internal", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");
vK_MessageId MSG_Event_ObbDownloadStateChanged(
    "Event_ObbDownloadStateChanged", "",
    "Registered for scripts; the engine and the game layer neither send nor receive it.");

int GameMessageIdCount() { return 53; }
