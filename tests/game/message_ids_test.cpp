#include "core/message_ids.h"

#include <gtest/gtest.h>

#include "core/message_id.h"
#include "game/game_message_ids.h"

TEST(MessageIds, StaticIdsAreRegisteredByName) {
    const char* names[] = {"Command_ShowSubtitles",        "Event_AltEnterToggled",
                           "Command_EditorShowLogMesage",  "Event_Vrakko_ScriptHub_Script_Error",
                           "Request_Application_GetWidht", "Event_ObbDownloadStateChanged"};
    for (const char* name : names) EXPECT_NE(vK_MessageId::Find(name), nullptr) << name;
    EXPECT_EQ(vK_MessageId::Find("Request_Application_Scale"), &MSG_Request_Application_Scale);
    EXPECT_EQ(GameMessageIdCount(), 53);
}
