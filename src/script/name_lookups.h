#pragma once
#include <string_view>
#include <vector>

#include "scene/object.h"

// Where each position of a list of object names was found last time, for natives that
// are handed the same list again and again (a script moving the same objects every
// frame through ObjMultiSet). Owned by the script host; a remembered answer stands only
// while the object registry is unchanged and the object still has that name.
class vK_NameLookups {
public:
    // The live or dead object named name (nullptr when none), remembered at position.
    vK_Object* Find(size_t position, std::string_view name) {
        if (position >= hints_.size()) hints_.resize(position + 1);
        return vK_Object::FindObject(name, hints_[position]);
    }

private:
    std::vector<vK_Object::Lookup> hints_;
};
