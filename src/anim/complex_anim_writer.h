#pragma once
#include <cstdint>
#include <string>
#include <vector>

class vK_ComplexAnimRes;

// Writing complex animations, for the authoring tool and the tests; the engine itself
// only reads them.

// The ".anm" file of a loaded animation: header, then the resource body. Texture and
// font names go into the file's resource group and font table; object names are not
// part of the binary form. False with a message when a value does not fit its field
// (an index, frame or count above 65535, a text longer than 255 bytes).
bool WriteAnm(const vK_ComplexAnimRes& res, std::vector<uint8_t>& out, std::string& error);

// The ".xml" description. Objects without a (unique) name are named "obj" + index so
// that functions can refer to them.
std::string WriteComplexAnimXml(const vK_ComplexAnimRes& res);

// A readable listing of everything playback uses: objects with their settings,
// functions with their lines and key frames. Both forms of one animation list the same.
std::string DumpComplexAnim(const vK_ComplexAnimRes& res);
