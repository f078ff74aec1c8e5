#include "media/video_impl_ogg.h"

#include <vector>

#include "files/file_manager.h"
#include "files/log.h"
#include "media/memory_in_stream.h"
#include "media/theora_decoder.h"
#include "media/video_convert.h"
#include "media/zalpha_reader.h"

vK_VideoImpl_Ogg::vK_VideoImpl_Ogg(std::string owner) : owner_(std::move(owner)) {}

vK_VideoImpl_Ogg::~vK_VideoImpl_Ogg() = default;

std::shared_ptr<vK_InStreamInterface> vK_VideoImpl_Ogg::OpenMediaStream(const std::string& path) {
    vK_FileManager* files = vK_FileManager::Instance();
    if (!files) return nullptr;
    std::shared_ptr<vK_InStreamInterface> stream;
    if (files->OpenStream(path, stream) == 0 && stream) return stream;
    std::vector<uint8_t> bytes;
    if (files->ReadFromReaders(path, bytes)) return std::make_shared<vK_MemoryInStream>(std::move(bytes));
    return nullptr;
}

bool vK_VideoImpl_Ogg::Open(const std::string& name) {
    Close();
    auto colourStream = OpenMediaStream(name + ".ogg");
    if (!colourStream) {
        Log("Error: video %s could not find \"%s\" ogg file!", owner_.c_str(), name.c_str());
        return false;
    }
    auto colour = std::make_unique<vK_TheoraDecoder>(colourStream, name + ".ogg");
    if (!colour->Open()) return false;
    colour_ = std::move(colour);
    if (auto zalpha = OpenMediaStream(name + ".zalpha")) {
        zalpha_ = std::make_unique<vK_ZAlphaReader>(zalpha, colour_->GetWidth(), colour_->GetHeight());
    } else if (auto alpha = OpenMediaStream(name + ".oggalpha")) {
        auto decoder = std::make_unique<vK_TheoraDecoder>(alpha, name + ".oggalpha");
        if (decoder->Open() && decoder->GetWidth() == colour_->GetWidth() &&
            decoder->GetHeight() == colour_->GetHeight()) {
            alphaVideo_ = std::move(decoder);
        } else if (decoder->IsOpen()) {
            Log("Warning: video %s: the alpha video %s.oggalpha is not %d x %d and is ignored",
                owner_.c_str(), name.c_str(), colour_->GetWidth(), colour_->GetHeight());
        }
    }
    return true;
}

void vK_VideoImpl_Ogg::Close() {
    colour_.reset();
    zalpha_.reset();
    alphaVideo_.reset();
    ended_ = false;
    frameCount_ = 0;
}

bool vK_VideoImpl_Ogg::Step(bool keep) {
    bool ok = !colour_ || colour_->NextFrame(keep);
    if (ok && zalpha_) ok = zalpha_->NextFrame(keep);
    if (ok && alphaVideo_) ok = alphaVideo_->NextFrame(keep);
    ended_ = !ok;
    if (ok) ++frameCount_;
    return ok;
}

void vK_VideoImpl_Ogg::SeekToFrame(int n) {
    if (n < frameCount_) {
        bool ok = true;
        if (colour_) ok = colour_->Rewind() && ok;
        if (zalpha_) ok = zalpha_->Rewind() && ok;
        if (alphaVideo_) ok = alphaVideo_->Rewind() && ok;
        frameCount_ = 0;
        ended_ = !ok;
        if (!ok) return;
    }
    while (frameCount_ < n) {
        if (!Step(false)) {
            ended_ = true;
            return;
        }
    }
}

void vK_VideoImpl_Ogg::CopyFrame(uint8_t* pixels, int pitch) {
    if (!colour_ || !colour_->HasPlanes() || !pixels) return;
    vK_VideoAlpha alpha;
    if (zalpha_)
        alpha.plane = zalpha_->Plane();
    else if (alphaVideo_ && alphaVideo_->HasPlanes()) {
        alpha.video = &alphaVideo_->Planes();
        alpha.videoFormat = alphaVideo_->GetPixelFormat();
    }
    ConvertVideoFrame(colour_->Planes(), colour_->GetPixelFormat(), alpha, pixels, pitch);
}

float vK_VideoImpl_Ogg::GetFPS() { return colour_ ? colour_->GetFPS() : 0.0f; }
int vK_VideoImpl_Ogg::GetWidth() { return colour_ ? colour_->GetWidth() : 0; }
int vK_VideoImpl_Ogg::GetHeight() { return colour_ ? colour_->GetHeight() : 0; }
