#include "core/frame_stages.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

struct Entry {
    uint64_t id;
    vK_StageFunction run;
};

using Table = std::array<std::vector<Entry>, static_cast<size_t>(vK_FrameStage::kCount)>;

Table& Stages() {
    static Table table;
    return table;
}

std::vector<Entry>& EntriesOf(vK_FrameStage stage) { return Stages()[static_cast<size_t>(stage)]; }

uint64_t g_next_id = 0;

}  // namespace

vK_FrameStages::Registration::Registration(vK_FrameStage stage, vK_StageFunction run) {
    if (stage >= vK_FrameStage::kCount || !run) return;
    stage_ = stage;
    id_ = ++g_next_id;
    EntriesOf(stage).push_back({id_, std::move(run)});
}

vK_FrameStages::Registration::Registration(Registration&& other) noexcept
    : stage_(other.stage_), id_(std::exchange(other.id_, 0)) {}

vK_FrameStages::Registration& vK_FrameStages::Registration::operator=(Registration&& other) noexcept {
    if (this != &other) {
        Reset();
        stage_ = other.stage_;
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void vK_FrameStages::Registration::Reset() {
    if (id_ == 0) return;
    std::vector<Entry>& entries = EntriesOf(stage_);
    const uint64_t id = std::exchange(id_, 0);
    entries.erase(std::remove_if(entries.begin(), entries.end(), [id](const Entry& e) { return e.id == id; }),
                  entries.end());
}

bool vK_FrameStages::Has(vK_FrameStage stage) {
    return stage < vK_FrameStage::kCount && !EntriesOf(stage).empty();
}

void vK_FrameStages::Run(vK_FrameStage stage, vK_StageContext& context) {
    if (!Has(stage)) return;
    // A copy: the service may be destroyed (and its registration undone) meanwhile.
    const vK_StageFunction run = EntriesOf(stage).back().run;
    run(context);
}

void vK_FrameStages::Run(vK_FrameStage stage, const vK_FrameInfo& frame) {
    vK_StageContext context;
    context.frame = &frame;
    Run(stage, context);
}

void vK_FrameStages::Run(vK_FrameStage stage, const vK_InputEvent& event) {
    vK_StageContext context;
    context.event = &event;
    Run(stage, context);
}

void vK_FrameStages::Run(vK_FrameStage stage, vK_Render& render) {
    vK_StageContext context;
    context.render = &render;
    Run(stage, context);
}

void vK_FrameStages::Run(vK_FrameStage stage) {
    vK_StageContext context;
    Run(stage, context);
}
