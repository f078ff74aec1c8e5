// vk.dbg: log lines, screenshots and quitting.
#include "core/vrakko.h"
#include "files/log.h"
#include "graphics/render.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
void DbgTrace(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    // The text is an argument of the format, never the format itself.
    if (const vK_Data* text = vK_ApiArgs::At(args, 0)) Log("%s", text->ToString().c_str());
}

void DbgQuit(const vK_ScriptArgs&, void*, vK_DataArray&) {
    if (Vrakko* engine = Vrakko::Instance()) engine->Quit();
}

// Renders the scene into a texture and writes it to the path + ".jpg".
void DbgScreenshot(const vK_ScriptArgs& args, void*, vK_DataArray&) {
    const vK_Data* path = vK_ApiArgs::At(args, 0);
    vK_Render* render = vK_Render::Instance();
    if (!path || !render) return;
    // The path is relative to the current directory (the game's folder); a folder that
    // is missing there is worth a line in the log rather than silence.
    const std::string name = path->ToString();
    if (!Vrakko::SaveScreenshot(*render, name))
        Log("Error: the screenshot %s.jpg could not be written", name.c_str());
}

constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.dbg.Trace; DbgTrace",
     &DbgTrace,
     {"text: string", "Writes the text as one line of the log, literally."}},
    {"vk.dbg.Screenshot",
     &DbgScreenshot,
     {"path: string", "Renders the current scene and saves it as a JPEG file at path + \".jpg\"."}},
    {"vk.dbg.Quit", &DbgQuit, {"", "Asks the engine to end after the current frame."}},
};
}  // namespace

vK_ScriptApiGroup ScriptApiDebug() { return kEntries; }
