#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/script_interface.h"
#include "data/small_pool.h"

class vK_DataArray;
class vK_DataTable;

// The engine's one dynamic value. The base class is the null value; every other
// kind derives from it and answers the lenient conversions below. A value's kind
// never changes after construction.
class vK_Data {
public:
    enum Tag : int {
        kNull = 0,
        kScriptFunction = 1,
        kInt = 2,
        kLong = 3,
        kFloat = 4,
        kDouble = 5,
        kBool = 6,
        kString = 7,
        kArray = 8,
        kTable = 9,
    };

    vK_Data() : tag_(kNull) {}
    virtual ~vK_Data() = default;
    vK_Data(const vK_Data&) = delete;
    vK_Data& operator=(const vK_Data&) = delete;

    int GetTag() const { return tag_; }
    // "Data_Null" ... "Data_Table", "unknown" for any other tag.
    const char* GetTypeName() const { return TypeName(tag_); }
    static const char* TypeName(int tag);

    virtual vK_DataArray* AsArray() { return nullptr; }
    virtual vK_DataTable* AsTable() { return nullptr; }
    const vK_DataArray* AsArray() const { return const_cast<vK_Data*>(this)->AsArray(); }
    const vK_DataTable* AsTable() const { return const_cast<vK_Data*>(this)->AsTable(); }
    virtual int32_t GetInt() const { return 0; }
    virtual int64_t GetLong() const { return 0; }
    virtual float GetFloat() const { return 0.0f; }
    virtual double GetDouble() const { return 0.0; }
    virtual bool GetBool() const { return false; }
    virtual std::string ToString() const { return {}; }
    virtual bool Has(const std::string& /*key*/) const { return false; }
    virtual bool HasIndex(unsigned /*index*/) const { return false; }
    virtual vK_Data* GetAt(unsigned /*index*/) const { return nullptr; }
    virtual vK_Data* Get(const std::string& /*key*/) const { return nullptr; }
    virtual vK_Data* Clone() const { return new vK_Data(); }

    bool IsNull() const { return tag_ == kNull; }
    bool IsNumber() const { return tag_ >= kInt && tag_ <= kDouble; }

    // Values are small and numerous: they come from the small-block pool.
    static void* operator new(size_t size) { return SmallPoolAlloc(size); }
    static void operator delete(void* block, size_t size) { SmallPoolFree(block, size); }

protected:
    explicit vK_Data(int tag) : tag_(tag) {}

private:
    int tag_;
};

using vK_DataPtr = std::shared_ptr<vK_Data>;
using vK_DataTablePtr = std::shared_ptr<vK_DataTable>;

class vK_DataScriptFunction : public vK_Data {
public:
    vK_DataScriptFunction() : vK_Data(kScriptFunction) {}
    explicit vK_DataScriptFunction(vK_ScriptHandle handle)
        : vK_Data(kScriptFunction), handle_(std::move(handle)) {}
    std::string ToString() const override { return handle_ ? handle_->GetSource() : std::string(); }
    vK_Data* Clone() const override { return new vK_DataScriptFunction(handle_); }

    const vK_ScriptHandle& GetHandle() const { return handle_; }
    void SetHandle(vK_ScriptHandle handle) { handle_ = std::move(handle); }
    // True when no handle is held or the handle holds no compiled reference.
    bool IsEmpty() const { return !handle_ || handle_->IsEmpty(); }
    void Reset() { handle_.reset(); }
    void CopyFrom(const vK_DataScriptFunction& other) { handle_ = other.handle_; }

private:
    vK_ScriptHandle handle_;
};

class vK_DataInt : public vK_Data {
public:
    explicit vK_DataInt(int32_t v = 0) : vK_Data(kInt), value_(v) {}
    int32_t GetInt() const override { return value_; }
    int64_t GetLong() const override { return value_; }
    float GetFloat() const override { return static_cast<float>(value_); }
    double GetDouble() const override { return value_; }
    bool GetBool() const override { return value_ != 0; }
    std::string ToString() const override;
    vK_Data* Clone() const override { return new vK_DataInt(value_); }
    int32_t Value() const { return value_; }

private:
    int32_t value_;
};

class vK_DataLong : public vK_Data {
public:
    explicit vK_DataLong(int64_t v = 0) : vK_Data(kLong), value_(v) {}
    // A long answers only GetLong, GetBool and ToString.
    int64_t GetLong() const override { return value_; }
    bool GetBool() const override { return value_ != 0; }
    std::string ToString() const override;
    vK_Data* Clone() const override { return new vK_DataLong(value_); }
    int64_t Value() const { return value_; }

private:
    int64_t value_;
};

class vK_DataFloat : public vK_Data {
public:
    explicit vK_DataFloat(float v = 0) : vK_Data(kFloat), value_(v) {}
    int32_t GetInt() const override;
    int64_t GetLong() const override;
    float GetFloat() const override { return value_; }
    double GetDouble() const override { return value_; }
    bool GetBool() const override { return value_ != 0.0f; }  // NaN counts as true
    std::string ToString() const override;
    vK_Data* Clone() const override { return new vK_DataFloat(value_); }
    float Value() const { return value_; }

private:
    float value_;
};

class vK_DataDouble : public vK_Data {
public:
    explicit vK_DataDouble(double v = 0) : vK_Data(kDouble), value_(v) {}
    int32_t GetInt() const override;
    int64_t GetLong() const override;
    float GetFloat() const override { return static_cast<float>(value_); }
    double GetDouble() const override { return value_; }
    bool GetBool() const override { return value_ != 0.0; }  // NaN counts as true
    std::string ToString() const override;
    vK_Data* Clone() const override { return new vK_DataDouble(value_); }
    double Value() const { return value_; }

private:
    double value_;
};

class vK_DataBool : public vK_Data {
public:
    explicit vK_DataBool(bool v = false) : vK_Data(kBool), value_(v) {}
    int32_t GetInt() const override { return value_ ? 1 : 0; }
    int64_t GetLong() const override { return value_ ? 1 : 0; }
    float GetFloat() const override { return value_ ? 1.0f : 0.0f; }
    double GetDouble() const override { return value_ ? 1.0 : 0.0; }
    bool GetBool() const override { return value_; }
    std::string ToString() const override { return value_ ? "1" : "0"; }
    vK_Data* Clone() const override { return new vK_DataBool(value_); }
    bool Value() const { return value_; }

private:
    bool value_;
};

class vK_DataString : public vK_Data {
public:
    vK_DataString() : vK_Data(kString) {}
    explicit vK_DataString(std::string v) : vK_Data(kString), value_(std::move(v)) {}
    int32_t GetInt() const override;
    int64_t GetLong() const override;
    float GetFloat() const override;
    double GetDouble() const override;
    bool GetBool() const override { return GetInt() != 0; }
    std::string ToString() const override { return value_; }
    vK_Data* Clone() const override { return new vK_DataString(value_); }
    const std::string& Value() const { return value_; }

private:
    std::string value_;
};

class vK_DataArray : public vK_Data {
public:
    vK_DataArray() : vK_Data(kArray) {}
    ~vK_DataArray() override;
    vK_DataArray* AsArray() override { return this; }
    bool HasIndex(unsigned index) const override { return index < items_.size(); }
    vK_Data* GetAt(unsigned index) const override { return index < items_.size() ? items_[index] : nullptr; }
    vK_Data* Clone() const override;

    size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    // Takes ownership of value (a null pointer is stored as a null value).
    void Push(vK_Data* value);
    void Push(std::unique_ptr<vK_Data> value) { Push(value.release()); }
    void PushInt(int32_t v) { Push(new vK_DataInt(v)); }
    void PushFloat(float v) { Push(new vK_DataFloat(v)); }
    void PushBool(bool v) { Push(new vK_DataBool(v)); }
    void PushString(const std::string& v) { Push(new vK_DataString(v)); }
    void PushString(const char* v) { Push(new vK_DataString(v ? v : "")); }
    vK_DataTable* PushTable();
    vK_DataArray* PushArray();
    void Reserve(size_t n) { items_.reserve(n); }

    using Items = std::vector<vK_Data*, vK_PoolAllocator<vK_Data*>>;
    using const_iterator = Items::const_iterator;
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

private:
    Items items_;
};

class vK_DataTable : public vK_Data {
public:
    using Map = std::map<std::string, vK_Data*, std::less<std::string>,
                         vK_PoolAllocator<std::pair<const std::string, vK_Data*>>>;

    vK_DataTable() : vK_Data(kTable) {}
    ~vK_DataTable() override;
    vK_DataTable* AsTable() override { return this; }
    bool Has(const std::string& key) const override { return Get(key) != nullptr; }
    vK_Data* Get(const std::string& key) const override;
    vK_Data* Clone() const override;

    size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    // Takes ownership; an existing value under key is deleted first. Keys that
    // arrive in ascending order (as in written documents) are appended without a search.
    void Set(std::string key, vK_Data* value);
    void Set(std::string key, std::unique_ptr<vK_Data> value) { Set(std::move(key), value.release()); }
    void SetCopy(const std::string& key, const vK_Data* value);
    void SetInt(const std::string& key, int32_t v) { Set(key, new vK_DataInt(v)); }
    void SetFloat(const std::string& key, float v) { Set(key, new vK_DataFloat(v)); }
    void SetBool(const std::string& key, bool v) { Set(key, new vK_DataBool(v)); }
    void SetString(const std::string& key, const std::string& v) { Set(key, new vK_DataString(v)); }
    void SetScriptFunction(const std::string& key, const vK_DataScriptFunction& f) { Set(key, f.Clone()); }
    vK_DataTable* SetTable(const std::string& key);
    vK_DataArray* SetArray(const std::string& key);
    // Removes and deletes the value under key; false when there was none.
    bool Remove(const std::string& key);
    void Clear();

    // Typed getters: absent keys leave out unchanged and return false silently;
    // values that cannot convert log "Error: Can not convert ..." and return false.
    bool GetBool(const std::string& key, bool& out) const;
    bool GetInt(const std::string& key, int32_t& out) const;
    bool GetFloat(const std::string& key, float& out) const;
    bool GetString(const std::string& key, std::string& out) const;
    bool GetScriptFunction(const std::string& key, vK_DataScriptFunction& out) const;
    using vK_Data::GetBool;
    using vK_Data::GetFloat;
    using vK_Data::GetInt;

    Map::const_iterator begin() const { return items_.begin(); }
    Map::const_iterator end() const { return items_.end(); }

private:
    Map items_;
};

// Dotted-path lookup ("a.b.2"): tables by key, arrays by index. The empty path
// yields root itself.
vK_Data* FindData(const vK_Data* root, const std::string& path);

// Typed lookups with defaults through FindData.
int32_t FindInt(const vK_Data* root, const std::string& path, int32_t def);
float FindFloat(const vK_Data* root, const std::string& path, float def);
bool FindBool(const vK_Data* root, const std::string& path, bool def);
std::string FindString(const vK_Data* root, const std::string& path, const std::string& def);

// The C library's atoi/atof semantics without undefined behaviour on overflow and
// independent of the process locale.
int32_t TextToInt(const std::string& text);
double TextToDouble(const std::string& text);
// strtod in the C locale over [first, last) without a leading sign of '+', blanks or
// hexadecimal: parses the longest prefix that is a decimal number (overflow gives
// infinity, underflow zero or a subnormal) and returns its end, or first (with value
// 0) when nothing converts.
const char* ParseDouble(const char* first, const char* last, double& value);
// printf "%.*g" (fixed false) or "%.*f" (fixed true) in the C locale, any magnitude.
std::string FormatNumber(double value, bool fixed, int precision);
