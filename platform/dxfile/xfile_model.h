// The parsed form of a text .x file: templates, data objects and their
// flattened data, shared by the file interface objects and the mesh loader.
#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows.h"

namespace kestu::xfile {

enum class Primitive { None, Word, Dword, Float, Double, Char, Uchar, Byte, String, Sword, Sdword, Ulonglong };

struct Template;

struct Member {
    std::string name;
    Primitive primitive = Primitive::None; // None: `type` names a template
    std::string type;
    bool array = false;
    // Each dimension: a literal count, or the name of an earlier DWORD member.
    std::vector<std::pair<uint32_t, std::string>> dims;
};

struct Template {
    std::string name;
    GUID id{};
    std::vector<Member> members;
    bool open = false; // any child objects allowed
    std::vector<std::string> restrictions;
};

class TemplateSet {
public:
    void Add(std::shared_ptr<const Template> t);
    // Exact name first, then ignoring case.
    std::shared_ptr<const Template> Find(const std::string& name) const;
    size_t size() const { return byName_.size(); }

private:
    std::map<std::string, std::shared_ptr<const Template>> byName_;
};

struct Node;

// A child of a data object: a nested object or a reference by name or id.
struct Child {
    std::shared_ptr<Node> node;
    std::string refName;
    GUID refId{};
    bool refHasId = false;
};

struct MemberSpan {
    std::string name;
    size_t offset = 0;
    size_t size = 0;
};

struct Node {
    std::shared_ptr<const Template> tmpl;
    std::string name;
    GUID id{};
    std::vector<uint8_t> data;                         // members packed without padding
    std::vector<MemberSpan> spans;                     // top-level members of `data`
    std::vector<std::unique_ptr<std::string>> strings; // what the STRING pointers in `data` point to
    std::vector<Child> children;
};

struct Document {
    std::vector<std::shared_ptr<Node>> top;
    std::map<std::string, std::shared_ptr<Node>> named; // first object of each name, any depth

    std::shared_ptr<Node> Resolve(const Child& ref) const;
};

// Parses a whole text file. Templates it declares are added to `templates`.
// Results: S_OK or a DXFILEERR_ code.
HRESULT ParseText(const uint8_t* data, size_t size, TemplateSet& templates, Document& out);

// The standard templates (Header, Frame, Mesh, Material and the rest).
const TemplateSet& StandardTemplates();

// Reads a value of a flattened data block by byte offset; false past the end.
template <typename T>
bool ReadAt(const std::vector<uint8_t>& data, size_t offset, T& value)
{
    if (offset > data.size() || data.size() - offset < sizeof(T)) return false;
    std::memcpy(&value, data.data() + offset, sizeof(T));
    return true;
}

} // namespace kestu::xfile
