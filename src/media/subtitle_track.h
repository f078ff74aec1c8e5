#pragma once
#include <string>
#include <vector>

// The subtitles of a video, read from an ".srt" file whose texts are string ids. As
// the video's time passes, the track sends "Command_ShowSubtitles" with
// {"show": 1, "text_id": id} when an entry starts and {"show": 0} when it ends;
// scripts subscribe to it and show the text of the id.
class vK_SubtitleTrack {
public:
    // Longest line kept; the rest of a longer line is dropped.
    static constexpr size_t kMaxLine = 1023;

    struct Entry {
        float start = 0.0f;
        float end = 0.0f;
        std::string textId;
    };

    vK_SubtitleTrack() = default;
    // Hides a subtitle still shown.
    ~vK_SubtitleTrack();
    vK_SubtitleTrack(const vK_SubtitleTrack&) = delete;
    vK_SubtitleTrack& operator=(const vK_SubtitleTrack&) = delete;

    // Reads path through the file manager's readers; a missing file logs "Error: file
    // not found %s." (unless the file manager is silent) and leaves the track empty.
    bool Load(const std::string& path);
    // Entries in blocks of an index line, a time line "HH:MM:SS,mmm --> HH:MM:SS,mmm",
    // one text line (the string id; further text lines are ignored) and a blank line.
    // Line feeds or CR LF end lines; the end of the text completes the last entry. A
    // block whose time line is malformed is dropped.
    void Parse(const std::string& text);
    // Advances to time t (seconds).
    void Update(float t);
    // Back to the start; a subtitle still shown is hidden first.
    void Rewind();

    const std::vector<Entry>& GetEntries() const { return entries_; }
    size_t GetIndex() const { return index_; }
    bool IsShowing() const { return showing_; }

    // Reads "HH:MM:SS,mmm" at text[0..11]; false unless every digit and separator is there.
    static bool ParseTime(const std::string& text, size_t at, float& seconds);

private:
    void Send(bool show, const std::string& textId);

    std::vector<Entry> entries_;
    size_t index_ = 0;
    bool showing_ = false;
};
