// The subcommands of kestu-gma. Each returns the exit code: 0 done (or nothing
// to do), 1 failed.
#pragma once
#include <string>

namespace kgma {

int Info(const std::string& path);
// Runs one of the engine's file tools on path: "remove-normals",
// "share-materials", "share-texcoord", "unshare-texcoord".
int Rewrite(const std::string& tool, const std::string& path);
int Preprocess(const std::string& path, bool removeNormals, bool computeBoxes);
int UpdateTextureIds(const std::string& path, const std::string& textureLibrary, const std::string& log);
int AttributeMap(const std::string& source, const std::string& destination);
int Lod(const std::string& source, const std::string& destination);

// A generated waving flag written by the engine's writer.
struct SampleOptions {
    int major = 1, minor = 4;
    int frames = 8;
    int cols = 8, rows = 4;
    unsigned flags = 0x02; // left-handed
};
int Sample(const std::string& path, const SampleOptions& options);

} // namespace kgma
