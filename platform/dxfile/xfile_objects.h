// Access from the D3DX mesh loader to the parsed object behind a data
// object of the file interface.
#pragma once
#include <memory>

#include "dxfile.h"
#include "dxfile/xfile_model.h"

namespace kestu::xfile {

// False when the object is not one of ours.
bool NodeOf(IDirectXFileData* data, std::shared_ptr<const Document>& doc, std::shared_ptr<Node>& node);

// Reads a file, a module resource or a memory block as DXFILELOAD_* says.
HRESULT LoadSource(LPVOID source, DXFILELOADOPTIONS options, std::vector<uint8_t>& bytes);

} // namespace kestu::xfile
