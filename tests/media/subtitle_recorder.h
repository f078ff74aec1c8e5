#pragma once
#include <string>
#include <vector>

#include "core/listener_base.h"
#include "core/message_ids.h"
#include "data/data.h"

// Records every "Command_ShowSubtitles" as "1:TEXT_ID" or "0".
class SubtitleRecorder : public vK_ListenerBase {
public:
    SubtitleRecorder() { InitializeListener(); }
    ~SubtitleRecorder() override { DestroyListener(); }
    void OnMessage(const vK_MessageId& id, vK_DataTable* payload) override {
        if (!MapMessage(id, MSG_Command_ShowSubtitles) || !payload) return;
        int32_t show = -1;
        std::string text;
        payload->GetInt("show", show);
        payload->GetString("text_id", text);
        log.push_back(show == 1 ? "1:" + text : std::to_string(show));
    }
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
    std::vector<std::string> log;
};
