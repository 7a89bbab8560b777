// The DirectX file interface objects over the parsed text format.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "dxfile/xfile_objects.h"
#include "win32/win32_common.h"

namespace kestu::xfile {
namespace {

template <typename Base>
class Counted : public Base {
public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

HRESULT CopyName(const std::string& name, LPSTR out, LPDWORD length)
{
    if (!length) return DXFILEERR_BADVALUE;
    const DWORD needed = name.empty() ? 0 : (DWORD)name.size() + 1;
    if (!out) {
        *length = needed;
        return DXFILE_OK;
    }
    if (*length < needed) {
        *length = needed;
        return DXFILEERR_BADVALUE;
    }
    if (needed)
        std::memcpy(out, name.c_str(), needed);
    else if (*length > 0)
        out[0] = '\0';
    *length = needed;
    return DXFILE_OK;
}

class DataObject;
HRESULT MakeData(std::shared_ptr<const Document> doc, std::shared_ptr<Node> node, LPDIRECTXFILEDATA* out);

class Reference final : public Counted<IDirectXFileDataReference> {
public:
    Reference(std::shared_ptr<const Document> doc, Child ref) : doc_(std::move(doc)), ref_(std::move(ref)) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectXFileObject || riid == IID_IDirectXFileDataReference) {
            AddRef();
            *object = static_cast<IDirectXFileDataReference*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetName(LPSTR name, LPDWORD length) override { return CopyName(ref_.refName, name, length); }
    HRESULT GetId(LPGUID id) override
    {
        if (!id) return DXFILEERR_BADVALUE;
        *id = ref_.refId;
        return DXFILE_OK;
    }
    HRESULT Resolve(LPDIRECTXFILEDATA* data) override
    {
        if (!data) return DXFILEERR_BADVALUE;
        *data = nullptr;
        auto node = doc_->Resolve(ref_);
        if (!node) return DXFILEERR_BADDATAREFERENCE;
        return MakeData(doc_, node, data);
    }

private:
    std::shared_ptr<const Document> doc_;
    Child ref_;
};

class DataObject final : public Counted<IDirectXFileData> {
public:
    DataObject(std::shared_ptr<const Document> doc, std::shared_ptr<Node> node)
        : doc_(std::move(doc)), node_(std::move(node))
    {
    }

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectXFileObject || riid == IID_IDirectXFileData) {
            AddRef();
            *object = static_cast<IDirectXFileData*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetName(LPSTR name, LPDWORD length) override { return CopyName(node_->name, name, length); }
    HRESULT GetId(LPGUID id) override
    {
        if (!id) return DXFILEERR_BADVALUE;
        *id = node_->id;
        return DXFILE_OK;
    }
    HRESULT GetData(LPCSTR member, DWORD* size, void** data) override
    {
        if (!size || !data) return DXFILEERR_BADVALUE;
        size_t offset = 0, bytes = node_->data.size();
        if (member) {
            const MemberSpan* found = nullptr;
            for (const MemberSpan& s : node_->spans)
                if (s.name == member) found = &s;
            if (!found) return DXFILEERR_NOTFOUND;
            offset = found->offset;
            bytes = found->size;
        }
        *size = (DWORD)bytes;
        *data = bytes ? node_->data.data() + offset : nullptr;
        return DXFILE_OK;
    }
    HRESULT GetType(const GUID** type) override
    {
        if (!type) return DXFILEERR_BADVALUE;
        *type = &node_->tmpl->id;
        return DXFILE_OK;
    }
    HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) override
    {
        if (!child) return DXFILEERR_BADVALUE;
        *child = nullptr;
        if (next_ >= node_->children.size()) return DXFILEERR_NOMOREOBJECTS;
        const Child& c = node_->children[next_++];
        try {
            if (c.node)
                *child = new DataObject(doc_, c.node);
            else
                *child = new Reference(doc_, c);
        } catch (const std::bad_alloc&) {
            return DXFILEERR_BADALLOC;
        }
        return DXFILE_OK;
    }
    HRESULT AddDataObject(LPDIRECTXFILEDATA) override { return DXFILEERR_NOTDONEYET; }
    HRESULT AddDataReference(LPCSTR, const GUID*) override { return DXFILEERR_NOTDONEYET; }
    HRESULT AddBinaryObject(LPCSTR, const GUID*, LPCSTR, LPVOID, DWORD) override { return DXFILEERR_NOTDONEYET; }

    const std::shared_ptr<const Document>& doc() const { return doc_; }
    const std::shared_ptr<Node>& node() const { return node_; }

private:
    std::shared_ptr<const Document> doc_;
    std::shared_ptr<Node> node_;
    size_t next_ = 0;
};

HRESULT MakeData(std::shared_ptr<const Document> doc, std::shared_ptr<Node> node, LPDIRECTXFILEDATA* out)
{
    try {
        *out = new DataObject(std::move(doc), std::move(node));
    } catch (const std::bad_alloc&) {
        return DXFILEERR_BADALLOC;
    }
    return DXFILE_OK;
}

class EnumObject final : public Counted<IDirectXFileEnumObject> {
public:
    explicit EnumObject(std::shared_ptr<const Document> doc) : doc_(std::move(doc)) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectXFileEnumObject) {
            AddRef();
            *object = static_cast<IDirectXFileEnumObject*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) override
    {
        if (!data) return DXFILEERR_BADVALUE;
        *data = nullptr;
        if (next_ >= doc_->top.size()) return DXFILEERR_NOMOREOBJECTS;
        return MakeData(doc_, doc_->top[next_++], data);
    }
    HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) override
    {
        if (!data) return DXFILEERR_BADVALUE;
        *data = nullptr;
        Child ref;
        ref.refId = id;
        ref.refHasId = true;
        auto node = doc_->Resolve(ref);
        return node ? MakeData(doc_, node, data) : DXFILEERR_NOTFOUND;
    }
    HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) override
    {
        if (!data || !name) return DXFILEERR_BADVALUE;
        *data = nullptr;
        auto it = doc_->named.find(name);
        return it != doc_->named.end() ? MakeData(doc_, it->second, data) : DXFILEERR_NOTFOUND;
    }

private:
    std::shared_ptr<const Document> doc_;
    size_t next_ = 0;
};

class FileObject final : public Counted<IDirectXFile> {
public:
    FileObject() : templates_(StandardTemplates()) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectXFile) {
            AddRef();
            *object = static_cast<IDirectXFile*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObj) override
    {
        if (!enumObj) return DXFILEERR_BADVALUE;
        *enumObj = nullptr;
        try {
            std::vector<uint8_t> bytes;
            HRESULT hr = LoadSource(source, options, bytes);
            if (FAILED(hr)) return hr;
            auto doc = std::make_shared<Document>();
            TemplateSet local = templates_;
            hr = ParseText(bytes.data(), bytes.size(), local, *doc);
            if (FAILED(hr)) return hr;
            *enumObj = new EnumObject(std::move(doc));
        } catch (const std::bad_alloc&) {
            return DXFILEERR_BADALLOC;
        }
        return DXFILE_OK;
    }
    HRESULT CreateSaveObject(LPCSTR, DXFILEFORMAT, LPDIRECTXFILESAVEOBJECT* saveObj) override
    {
        if (saveObj) *saveObj = nullptr;
        return DXFILEERR_NOTDONEYET;
    }
    HRESULT RegisterTemplates(LPVOID data, DWORD size) override
    {
        if (!data) return DXFILEERR_BADVALUE;
        Document ignored;
        return ParseText(static_cast<const uint8_t*>(data), size, templates_, ignored);
    }

private:
    TemplateSet templates_;
};

} // namespace

HRESULT LoadSource(LPVOID source, DXFILELOADOPTIONS options, std::vector<uint8_t>& bytes)
{
    if (!source) return DXFILEERR_BADVALUE;
    switch (options) {
    case DXFILELOAD_FROMFILE: {
        const std::string path = kestu::platform::win32::HostPath(static_cast<LPCSTR>(source));
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return DXFILEERR_FILENOTFOUND;
        uint8_t chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
        const bool bad = std::ferror(f) != 0;
        std::fclose(f);
        return bad ? DXFILEERR_BADFILE : DXFILE_OK;
    }
    case DXFILELOAD_FROMRESOURCE: {
        const auto* res = static_cast<const DXFILELOADRESOURCE*>(source);
        HRSRC found = FindResourceA(res->hModule, res->lpName, res->lpType);
        if (!found) return DXFILEERR_RESOURCENOTFOUND;
        HGLOBAL loaded = LoadResource(res->hModule, found);
        const void* p = loaded ? LockResource(loaded) : nullptr;
        const DWORD size = SizeofResource(res->hModule, found);
        if (!p && size) return DXFILEERR_BADRESOURCE;
        bytes.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
        return DXFILE_OK;
    }
    case DXFILELOAD_FROMMEMORY: {
        const auto* mem = static_cast<const DXFILELOADMEMORY*>(source);
        if (!mem->lpMemory && mem->dSize) return DXFILEERR_BADVALUE;
        const uint8_t* p = static_cast<const uint8_t*>(mem->lpMemory);
        bytes.assign(p, p + mem->dSize);
        return DXFILE_OK;
    }
    default: return DXFILEERR_NOTDONEYET; // streams and URLs are not offered
    }
}

bool NodeOf(IDirectXFileData* data, std::shared_ptr<const Document>& doc, std::shared_ptr<Node>& node)
{
    auto* ours = dynamic_cast<DataObject*>(data);
    if (!ours) return false;
    doc = ours->doc();
    node = ours->node();
    return true;
}

} // namespace kestu::xfile

HRESULT DirectXFileCreate(LPDIRECTXFILE* file)
{
    if (!file) return DXFILEERR_BADVALUE;
    *file = nullptr;
    try {
        *file = new kestu::xfile::FileObject();
    } catch (const std::bad_alloc&) {
        return DXFILEERR_BADALLOC;
    }
    return DXFILE_OK;
}
