#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "data/data.h"

// The engine configuration: one shared data tree with typed lookups by dotted path
// ("Vrakko.strings", "list.2"). References between values ("@path" and "{@path}")
// are expanded once, when the configuration is built; afterwards it is read-only.
class vK_Config {
public:
    // Takes the parsed configuration document. A missing root becomes an empty
    // table, so lookups always have a table to start from.
    explicit vK_Config(vK_DataPtr root);
    virtual ~vK_Config();
    vK_Config(const vK_Config&) = delete;
    vK_Config& operator=(const vK_Config&) = delete;

    // The process-wide configuration, or nullptr while none exists.
    static vK_Config* Instance();

    // Typed lookups: the value when the found kind qualifies, else the default
    // (int and float accept every numeric kind, so a value written with many digits,
    // which reads as a double, still counts; bool only bool; string accepts int, long,
    // float, bool and string).
    int32_t GetInt(const std::string& path, int32_t def) const;
    float GetFloat(const std::string& path, float def) const;
    bool GetBool(const std::string& path, bool def) const;
    std::string GetString(const std::string& path, const std::string& def) const;

    // A string option that must be present. A missing option (or one that is not
    // a string) logs "Error: The option '<path>' is not found." and throws
    // vK_Exception with that text; a present, empty string yields "".
    std::string GetOption(const std::string& path) const;
    // The string at path; anything else logs message and throws vK_Exception(message).
    std::string GetStringRequired(const std::string& path, const std::string& message) const;

    // The value at path (owned by the configuration), or nullptr.
    vK_Data* GetData(const std::string& path) const;
    const vK_DataPtr& Root() const { return root_; }

    // The reference expansion over a table, run by the constructor; public so that
    // other documents can use the same rules. Strings "@path" become a copy of the
    // value at path; "{@path}" inside a string is replaced by that value's text.
    static void Expand(const vK_Data* root, vK_DataTable* table);

    // Called with the path of every lookup (tests use it to find keys that are read but
    // not declared as a vK_ConfigKey); nullptr, the default, calls nothing.
    using ReadObserver = void (*)(const std::string& path);
    static void SetReadObserver(ReadObserver observer);

private:
    static void Observe(const std::string& path);

    vK_DataPtr root_;
};

// A configuration key some code reads, with what the reference (docs/reference/config.md)
// says of it: the dotted path (a part in capitals, such as NAME, is the caller's), the
// kind of value, the value used when the key is missing, and one sentence. Each is a
// static object beside the code that reads the key and registers itself.
struct vK_ConfigKey {
    vK_ConfigKey(const char* path, const char* kind, const char* def, const char* description);
    vK_ConfigKey(const vK_ConfigKey&) = delete;
    vK_ConfigKey& operator=(const vK_ConfigKey&) = delete;

    const char* path;
    const char* kind;
    const char* def;
    const char* description;

    // The path with its part in capitals (NAME in "a.b.NAME", CHANNEL in "a.CHANNEL_volume")
    // replaced by part; the path itself when it has none.
    std::string With(const std::string& part) const;

    // Every key declared in the program, in the order they were constructed.
    static const std::vector<const vK_ConfigKey*>& All();
};
