#include "app/dev/dev_profiler.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <lua.hpp>

#include "app/dev/dev_canvas.h"
#include "files/live_counts.h"
#include "graphics/render.h"
#include "media/sound_source.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_hub.h"

namespace {
// Stage colours: input, process, draw preparation, submission.
constexpr uint32_t kStageColour[4] = {0x60A0FFFF, 0x70D070FF, 0xFFB040FF, 0xFF6060FF};
const char* const kStageName[4] = {"input", "process", "draw", "submit"};

double Stage(const vK_FrameTimes& t, int i) {
    return i == 0 ? t.input : i == 1 ? t.process : i == 2 ? t.draw : t.submit;
}

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}
}  // namespace

void vK_DevProfiler::AddSample(const vK_FrameTimes& times) {
    samples_[next_] = times;
    next_ = (next_ + 1) % kSamples;
    count_ = std::min(count_ + 1, kSamples);
    if (++sinceText_ >= kTextEvery) {
        sinceText_ = 0;
        text_ = TextLines();
        // The scale holds nine frames in ten; rare spikes are cut at the top.
        std::vector<double> totals;
        for (size_t age = 0; age < count_; ++age) {
            const vK_FrameTimes& t = Sample(age);
            totals.push_back(t.input + t.process + t.draw + t.submit);
        }
        double slowest = 0.0;
        if (!totals.empty()) {
            auto nth = totals.begin() + static_cast<long>(totals.size() * 9 / 10);
            std::nth_element(totals.begin(), nth, totals.end());
            slowest = *nth;
        }
        graphMs_ = kGraphScales[std::size(kGraphScales) - 1];
        for (double scale : kGraphScales) {
            if (slowest <= scale) {
                graphMs_ = scale;
                break;
            }
        }
    }
}

const vK_FrameTimes& vK_DevProfiler::Sample(size_t age) const {
    return samples_[(next_ + kSamples - 1 - age) % kSamples];
}

vK_FrameTimes vK_DevProfiler::Average(size_t n) const {
    vK_FrameTimes sum;
    n = std::min(n, count_);
    for (size_t age = 0; age < n; ++age) {
        const vK_FrameTimes& t = Sample(age);
        sum.input += t.input;
        sum.process += t.process;
        sum.draw += t.draw;
        sum.submit += t.submit;
    }
    if (n > 0) {
        const double d = static_cast<double>(n);
        sum.input /= d;
        sum.process /= d;
        sum.draw /= d;
        sum.submit /= d;
    }
    return sum;
}

vK_DevProfiler::Counts vK_DevProfiler::Measure(const vK_Render* render, int drawCalls) {
    Counts c;
    if (vK_Scene* scene = vK_Scene::Instance(); scene && scene->GetLiveRoot())
        c.sceneObjects = scene->GetLiveRoot()->GetChildCount(true) + 1;
    c.liveObjects = vK_LiveCounts::Get(vK_LiveKind::Object);
    c.drawCalls = drawCalls;
    c.textures = vK_LiveCounts::Get(vK_LiveKind::Texture);
    c.deviceTextures = vK_LiveCounts::Get(vK_LiveKind::DeviceTexture);
    c.textureBytes = render ? render->GetDeviceTextureBytes() : 0;
    c.sounds = vK_LiveCounts::Get(vK_LiveKind::Sound);
    c.soundSources = vK_LiveCounts::Get(vK_LiveKind::SoundSource);
    c.soundBytes = vK_SoundSource::LiveBytes();
    if (vK_ScriptHub* hub = vK_ScriptHub::Instance(); hub && hub->GetLuaState())
        c.luaKilobytes = lua_gc(hub->GetLuaState(), LUA_GCCOUNT, 0);
    return c;
}

std::vector<std::string> vK_DevProfiler::TextLines() const {
    std::vector<std::string> lines;
    char text[160];
    const vK_FrameTimes avg = Average(60);
    const double total = avg.input + avg.process + avg.draw + avg.submit;
    std::snprintf(text, sizeof(text), "frame %.2f ms (mean of the last second)", total);
    lines.push_back(text);
    std::snprintf(text, sizeof(text), "input %.2f  process %.2f  draw %.2f  submit %.2f", avg.input,
                  avg.process, avg.draw, avg.submit);
    lines.push_back(text);
    const Counts& c = counts_;
    std::snprintf(text, sizeof(text), "objects %zu in the scene, %lld alive   draw calls %d", c.sceneObjects,
                  static_cast<long long>(c.liveObjects), c.drawCalls);
    lines.push_back(text);
    std::snprintf(text, sizeof(text), "textures %lld (%lld on the device)  ",
                  static_cast<long long>(c.textures), static_cast<long long>(c.deviceTextures));
    lines.push_back(text + Megabytes(static_cast<double>(c.textureBytes)));
    std::snprintf(text, sizeof(text), "sounds %lld playing, %lld sources  ", static_cast<long long>(c.sounds),
                  static_cast<long long>(c.soundSources));
    lines.push_back(text + Megabytes(static_cast<double>(c.soundBytes)));
    std::snprintf(text, sizeof(text), "Lua %d KB", c.luaKilobytes);
    lines.push_back(text);
    return lines;
}

void vK_DevProfiler::Draw(vK_DevCanvas& canvas, float x, float y, float w, float h) {
    const float line = vK_DevCanvas::kLineHeight;
    if (!canvas.BeginPanel(x, y, w, h, "Frame profiler   last " + std::to_string(kSamples / 60) + " s"))
        return;
    const float left = x + 8;
    // The legend.
    float legend = left;
    for (int i = 0; i < 4; ++i) {
        canvas.Fill(legend, y + 6 + line + 4, 10, 10, kStageColour[i]);
        canvas.Text(legend + 14, y + 6 + line, kStageName[i], vK_DevColour::kDim);
        legend += 14 + static_cast<float>((std::string(kStageName[i]).size() + 2) * canvas.CharWidth());
    }
    // The graph: one column a frame, newest on the right, stages stacked from the bottom.
    const float gx = left, gy = y + 8 + 2 * line + 6, gw = w - 16;
    const float gh = h - (gy - y) - static_cast<float>(text_.size()) * line - 14;
    canvas.Fill(gx, gy, gw, gh, 0x000000A0);
    const float column = gw / static_cast<float>(kSamples);
    for (size_t age = 0; age < count_; ++age) {
        const vK_FrameTimes& t = Sample(age);
        const float cx = gx + gw - static_cast<float>(age + 1) * column;
        float base = gy + gh;
        for (int i = 0; i < 4; ++i) {
            const float bar = static_cast<float>(std::min(Stage(t, i), graphMs_) / graphMs_) * gh;
            const float top = std::max(gy, base - bar);
            canvas.Fill(cx, top, std::max(column, 1.0f), base - top, kStageColour[i]);
            base = top;
        }
    }
    // Marks at 60 and 30 frames a second, labelled at the right edge.
    for (double ms : {1000.0 / 60.0, 1000.0 / 30.0}) {
        // A mark too close to the bottom for its label is left out.
        if (ms >= graphMs_ || ms / graphMs_ < 0.15) continue;
        const float my = gy + gh - static_cast<float>(ms / graphMs_) * gh;
        canvas.Fill(gx, my, gw, 1, 0xFFFFFFA0);
        const float lw = static_cast<float>(8 * canvas.CharWidth());
        canvas.Fill(gx + gw - lw - 4, my - line + 1, lw + 4, line - 2, 0x000000C0);
        canvas.Text(gx + gw - lw, my - line, ms < 20.0 ? "16.7 ms" : "33.3 ms", vK_DevColour::kText);
    }
    char top[32];
    std::snprintf(top, sizeof(top), "%.0f ms", graphMs_);
    canvas.Text(gx + 2, gy, top, vK_DevColour::kDim);
    float pen = gy + gh + 6;
    for (const std::string& text : text_) {
        canvas.Text(left, pen, text, vK_DevColour::kText);
        pen += line;
    }
    canvas.PopClip();
}
