#include "media/subtitle_track.h"

#include "core/mediator.h"
#include "core/message_ids.h"
#include "data/data.h"
#include "files/file_manager.h"
#include "files/log.h"

namespace {

bool Digits(const std::string& text, size_t at, size_t count, int& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

bool Blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

}  // namespace

vK_SubtitleTrack::~vK_SubtitleTrack() {
    if (showing_) Send(false, std::string());
}

bool vK_SubtitleTrack::ParseTime(const std::string& text, size_t at, float& seconds) {
    int h = 0, m = 0, s = 0, ms = 0;
    if (text.size() < at + 12) return false;
    if (text[at + 2] != ':' || text[at + 5] != ':' || (text[at + 8] != ',' && text[at + 8] != '.'))
        return false;
    if (!Digits(text, at, 2, h) || !Digits(text, at + 3, 2, m) || !Digits(text, at + 6, 2, s) ||
        !Digits(text, at + 9, 3, ms))
        return false;
    seconds = static_cast<float>(h * 3600 + m * 60 + s) + static_cast<float>(ms) / 1000.0f;
    return true;
}

bool vK_SubtitleTrack::Load(const std::string& path) {
    entries_.clear();
    index_ = 0;
    showing_ = false;
    vK_FileManager* files = vK_FileManager::Instance();
    std::vector<uint8_t> bytes;
    if (!files || !files->ReadFromReaders(path, bytes)) {
        if (!files || !files->IsSilent()) Log("Error: file not found %s.", path.c_str());
        return false;
    }
    Parse(std::string(bytes.begin(), bytes.end()));
    return true;
}

void vK_SubtitleTrack::Parse(const std::string& text) {
    entries_.clear();
    enum { kIndex, kTime, kText, kBlank, kSkip } state = kIndex;
    Entry entry;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        const bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string line = text.substr(pos, std::min(end - pos, kMaxLine));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        if (last && line.empty()) break;
        switch (state) {
            case kIndex:  // blank lines between blocks are passed over
                if (!Blank(line)) state = kTime;
                break;
            case kTime: {
                const bool ok = line.size() >= 29 && line.compare(12, 5, " --> ") == 0 &&
                                ParseTime(line, 0, entry.start) && ParseTime(line, 17, entry.end);
                state = ok ? kText : (Blank(line) ? kIndex : kSkip);
                break;
            }
            case kText:
                if (Blank(line)) {
                    state = kIndex;  // no text: nothing to show
                } else {
                    entry.textId = line;
                    entries_.push_back(entry);
                    state = kBlank;
                }
                break;
            case kBlank:
            case kSkip:
                if (Blank(line)) state = kIndex;
                break;
        }
    }
    index_ = 0;
    showing_ = false;
}

void vK_SubtitleTrack::Send(bool show, const std::string& textId) {
    vK_Mediator* mediator = vK_Mediator::Instance();
    if (!mediator) return;
    vK_DataTable payload;
    payload.SetInt("show", show ? 1 : 0);
    if (show) payload.SetString("text_id", textId);
    mediator->Send(MSG_Command_ShowSubtitles, &payload);
}

void vK_SubtitleTrack::Update(float t) {
    if (index_ >= entries_.size()) return;
    if (!showing_) {
        while (t > entries_[index_].end && index_ + 1 < entries_.size()) ++index_;
        if (t >= entries_[index_].start) {
            showing_ = true;
            Send(true, entries_[index_].textId);
        }
    }
    if (showing_ && t >= entries_[index_].end) {
        Send(false, std::string());
        ++index_;
        showing_ = false;
    }
}

void vK_SubtitleTrack::Rewind() {
    if (showing_) Send(false, std::string());
    index_ = 0;
    showing_ = false;
}
