// vk.dbg: log lines and quitting.
#include "core/vrakko.h"
#include "files/log.h"
#include "script/api_args.h"
#include "script/script_api.h"

namespace {
void DbgTrace(const vK_DataArray& args, void*, vK_DataArray&) {
    // The text is an argument of the format, never the format itself.
    if (const vK_Data* text = vK_ApiArgs::At(args, 0)) Log("%s", text->ToString().c_str());
}

void DbgQuit(const vK_DataArray&, void*, vK_DataArray&) {
    if (Vrakko* engine = Vrakko::Instance()) engine->Quit();
}

// "vk.dbg.Screenshot" joins between Trace and Quit with the renderer's screenshot.
constexpr vK_ScriptApiEntry kEntries[] = {
    {"vk.dbg.Trace; DbgTrace", &DbgTrace},
    {"vk.dbg.Quit", &DbgQuit},
};
}  // namespace

vK_ScriptApiGroup ScriptApiDebug() { return kEntries; }
