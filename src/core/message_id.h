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
    virtual ~vK_MessageId();
    vK_MessageId(const vK_MessageId&) = delete;
    vK_MessageId& operator=(const vK_MessageId&) = delete;

    const std::string& GetName() const { return name_; }

    // The id registered under name, or nullptr.
    static vK_MessageId* Find(const std::string& name);
    // The names of every registered id, in name order (start-up sets a script
    // global for each).
    static std::vector<std::string> RegisteredNames();

private:
    std::string name_;
};
