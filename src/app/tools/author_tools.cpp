#include "app/tools/author_tools.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/tools/asset_check.h"
#include "app/tools/reference_writer.h"
#include "data/config.h"
#include "data/string_table.h"
#include "files/log.h"
#include "game/application.h"
#include "script/script_hub.h"

namespace {

bool DropLogLine(const std::string& /*line*/) { return true; }

// The engine services and the game application, up to the registration of the game's
// types and functions; no display, no frame.
class ToolSession {
public:
    explicit ToolSession(const vK_StartupOptions& options) {
        EngineStartup("assets/config", options);
        // The player's log stays as the last game run left it.
        dropLog_ = LogSinkSeam().Install(&DropLogLine);
        application_ = std::make_unique<vY_Application>(1024, 768);
        application_->SetDesktopSize(1024, 768);
        application_->AfterInit();
    }
    ~ToolSession() {
        application_.reset();
        EngineShutdown();
    }
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

private:
    vK_Seam<vK_LogSink>::Registration dropLog_;
    std::unique_ptr<vY_Application> application_;
};

}  // namespace

int RunApiListing(const vK_StartupOptions& options, const std::string& markdownFolder) {
    ToolSession session(options);
    vK_ScriptHub* hub = vK_ScriptHub::Instance();
    if (!hub) {
        std::fprintf(stderr, "vrakko: the script host could not start\n");
        return 1;
    }
    if (!markdownFolder.empty()) {
        std::string error;
        if (!vK_ReferenceWriter::Write(markdownFolder, error)) {
            std::fprintf(stderr, "vrakko: %s\n", error.c_str());
            return 1;
        }
        const std::vector<std::string> problems = vK_ReferenceWriter::Problems();
        for (const std::string& problem : problems) std::fprintf(stderr, "vrakko: %s\n", problem.c_str());
        return problems.empty() ? 0 : 1;
    }
    const auto& names = hub->GetRegisteredNames();
    const auto& docs = hub->GetRegisteredDocs();
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string first = names[i].substr(0, names[i].find(';'));
        std::printf("%s\n    %s\n", names[i].c_str(),
                    vK_ReferenceWriter::CallForm(first, docs[i].signature ? docs[i].signature : "").c_str());
    }
    return 0;
}

int RunAssetCheck(const vK_StartupOptions& options, bool json, vK_FolderLister lister) {
    ToolSession session(options);
    vK_AssetCheck check(lister);
    check.Run();
    for (const vK_AssetCheck::Finding& f : check.GetFindings())
        std::printf("%s\n", (json ? vK_AssetCheck::FormatJson(f) : vK_AssetCheck::FormatText(f)).c_str());
    std::fprintf(stderr, "vrakko --check: %d error%s, %d warning%s in %d files\n", check.CountErrors(),
                 check.CountErrors() == 1 ? "" : "s", check.CountWarnings(),
                 check.CountWarnings() == 1 ? "" : "s", check.CountFiles());
    return check.CountErrors() > 0 ? 1 : 0;
}

vK_GameIdentity ReadGameIdentity(const vK_StartupOptions& options) {
    ToolSession session(options);
    vK_GameIdentity identity;
    const vK_StringTable* strings = vK_StringTable::Instance();
    if (strings && strings->Has("window_title")) identity.title = strings->Get("window_title");
    if (const vK_Config* config = vK_Config::Instance()) {
        if (identity.title.empty()) identity.title = config->GetString("Vrakko.gameName", "");
        identity.publisher = config->GetString("Vrakko.publisherName", "");
    }
    return identity;
}
