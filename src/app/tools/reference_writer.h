#pragma once
#include <string>
#include <vector>

// The author's reference, docs/reference/, made from what the running services have
// registered: the script functions with the documentation kept beside each registration,
// the object types with their property tables, the static message ids and the declared
// configuration keys. `vrakko --api --markdown DIR` writes it (`make docs`), and a test
// compares the committed pages with a fresh generation. Needs the services and the game
// application up to AfterInit, as `vrakko --api` starts them.
class vK_ReferenceWriter {
public:
    struct Page {
        std::string file;  // name inside the reference folder
        std::string text;
    };
    struct Argument {
        std::string name;
        std::string type;
        std::string def;  // empty for a required argument
    };
    struct Signature {
        bool valid = false;
        std::vector<Argument> arguments;
        std::string results;  // empty when the function returns nothing
    };

    // "a: int, b: string = \"x\" -> table" as the registrations write it; not valid when
    // an argument lacks its name or type, or a required one follows an optional one.
    static Signature ParseSignature(const std::string& text);
    // "Name(a, b)" plus " -> results" for listings.
    static std::string CallForm(const std::string& name, const std::string& signature);

    // The generated pages: functions.md, objects.md, messages.md and config.md.
    static std::vector<Page> Build();
    // Writes Build() into folder; false (with the reason) when a file can not be written.
    static bool Write(const std::string& folder, std::string& error);
    // What has no entry: functions without a valid signature or a sentence, object types
    // without a description or whose new objects report undocumented properties, message
    // ids without a description. One line each; empty when the reference is complete.
    static std::vector<std::string> Problems();
};
