#pragma once
#include <string>
#include <vector>

// A message name. Static ids are global objects made before main; dynamic ids are
// made by the mediator for names no id has yet. Every id registers itself under its
// name in one process-wide registry (a later id of the same name replaces the
// mapping) and leaves it when destroyed. The mediator compares ids by address.
class vK_MessageId {
public:
    explicit vK_MessageId(std::string name);
    // A static id with what the reference (docs/reference/messages.md) says of it: the
    // payload's keys ("" for none) and one sentence on who sends it and what it does.
    vK_MessageId(std::string name, const char* payload, const char* description);
    virtual ~vK_MessageId();
    vK_MessageId(const vK_MessageId&) = delete;
    vK_MessageId& operator=(const vK_MessageId&) = delete;

    const std::string& GetName() const { return name_; }
    // nullptr for ids made without documentation (the mediator's dynamic ids).
    const char* GetPayloadDoc() const { return payload_; }
    const char* GetDescription() const { return description_; }

    // The id registered under name, or nullptr.
    static vK_MessageId* Find(const std::string& name);
    // The names of every registered id, in name order (start-up sets a script
    // global for each).
    static std::vector<std::string> RegisteredNames();

private:
    std::string name_;
    const char* payload_ = nullptr;
    const char* description_ = nullptr;
};
