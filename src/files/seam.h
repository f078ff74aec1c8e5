#pragma once
#include <cstddef>
#include <cstdint>

// Logs that a seam refused an install because it was full.
void vK_ReportSeamFull(const char* name);

// A process-wide slot through which a lower layer reaches code of a higher one at run
// time: the log sink, the script resolver, the objects' and the mediator's script hooks,
// the objects' scene hooks, the script report sink. Value is a function pointer or a
// struct of them; an empty slot reads as Value{} (every pointer null), which callers
// treat as "nothing installed".
//
// The higher layer installs its value and keeps the registration Install returns as a
// member; destroying (or resetting) the registration takes the value out again, so every
// install is undone by whoever made it, in whatever order services go. The latest
// registration still alive serves; undoing it hands the slot back to the one before (a
// test's fake over the real service, a tool's quiet log over the file manager's). A slot
// holds at most kDepth installs; one more is refused with a log line and gets an empty
// registration. Installs are made on the main thread; Get returns a copy, so a caller
// runs the value it read even when its installer goes while it runs.
//
// Seams are trivially destructible and constant-initialised (declare them constinit),
// so they work before and after every other static object.
template <typename Value>
class vK_Seam {
public:
    static constexpr size_t kDepth = 8;

    class Registration {
    public:
        Registration() = default;
        ~Registration() { Reset(); }
        Registration(Registration&& other) noexcept : seam_(other.seam_), id_(other.id_) {
            other.seam_ = nullptr;
        }
        Registration& operator=(Registration&& other) noexcept {
            if (this != &other) {
                Reset();
                seam_ = other.seam_;
                id_ = other.id_;
                other.seam_ = nullptr;
            }
            return *this;
        }
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

        // Takes the value out of the slot (nothing when already done).
        void Reset() {
            if (seam_) seam_->Remove(id_);
            seam_ = nullptr;
        }
        bool Active() const { return seam_ != nullptr; }

    private:
        friend class vK_Seam;
        Registration(vK_Seam* seam, uint64_t id) : seam_(seam), id_(id) {}
        vK_Seam* seam_ = nullptr;
        uint64_t id_ = 0;
    };

    explicit constexpr vK_Seam(const char* name) : name_(name) {}
    vK_Seam(const vK_Seam&) = delete;
    vK_Seam& operator=(const vK_Seam&) = delete;

    [[nodiscard]] Registration Install(Value value) {
        if (count_ == kDepth) {
            vK_ReportSeamFull(name_);
            return {};
        }
        entries_[count_++] = Entry{++lastId_, value};
        current_ = value;
        return Registration(this, lastId_);
    }

    // The value of the latest registration still alive, or Value{}.
    Value Get() const { return current_; }
    bool Installed() const { return count_ > 0; }

private:
    struct Entry {
        uint64_t id = 0;
        Value value{};
    };

    void Remove(uint64_t id) {
        for (size_t i = 0; i < count_; ++i) {
            if (entries_[i].id != id) continue;
            for (size_t j = i + 1; j < count_; ++j) entries_[j - 1] = entries_[j];
            entries_[--count_] = Entry{};
            break;
        }
        current_ = count_ > 0 ? entries_[count_ - 1].value : Value{};
    }

    const char* name_;
    Entry entries_[kDepth]{};
    size_t count_ = 0;
    uint64_t lastId_ = 0;
    Value current_{};
};
