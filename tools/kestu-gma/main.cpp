// kestu-gma: looks into GMA files and runs the engine's GMA file tools and converters on them.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gma_commands.h"

namespace {

int Usage()
{
    std::fputs("usage:\n"
               "  kestu-gma info FILE                         header, frames and sections\n"
               "  kestu-gma remove-normals FILE               drop the vertex normals\n"
               "  kestu-gma share-materials FILE              one material list for every frame\n"
               "  kestu-gma share-texcoord FILE               one set of texture coordinates for every frame\n"
               "  kestu-gma unshare-texcoord FILE             every frame its own coordinates again\n"
               "  kestu-gma preprocess [--remove-normals] [--boxes] FILE\n"
               "                                              left-handed form with frame bound boxes\n"
               "  kestu-gma texture-ids FILE TEXLIB [LOG]     renumber texture ids from a texture library\n"
               "  kestu-gma attribute-map SOURCE DEST         a vertex range of its own for each material\n"
               "  kestu-gma lod SOURCE DEST                   append level-of-detail data\n"
               "  kestu-gma sample [OPTION...] FILE           write a generated waving flag\n"
               "sample options: --version M.N (1.0 to 1.4, 0.N), --frames N, --grid COLSxROWS,\n"
               "  --share-materials, --share-texcoord, --no-normals, --right-handed, --boxes\n"
               "The file tools work on version 1.4 (and 0.x) files; they rewrite FILE in place.\n",
               stderr);
    return 2;
}

bool ParseInt(const char* text, int low, int high, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < low || v > high)
        return false;
    out = static_cast<int>(v);
    return true;
}

int SampleCommand(int argc, char** argv)
{
    kgma::SampleOptions o;
    int at = 2;
    for (; at < argc - 1; ++at) {
        const std::string opt = argv[at];
        if (opt == "--version" && at + 1 < argc - 1) {
            const std::string v = argv[++at];
            const size_t dot = v.find('.');
            if (dot == std::string::npos || !ParseInt(v.substr(0, dot).c_str(), 0, 1, o.major) ||
                !ParseInt(v.substr(dot + 1).c_str(), 0, o.major ? 4 : 65535, o.minor)) {
                std::fprintf(stderr, "kestu-gma: bad version '%s'\n", v.c_str());
                return 2;
            }
        } else if (opt == "--frames" && at + 1 < argc - 1) {
            if (!ParseInt(argv[++at], 1, 1000, o.frames)) {
                std::fprintf(stderr, "kestu-gma: bad frame count '%s'\n", argv[at]);
                return 2;
            }
        } else if (opt == "--grid" && at + 1 < argc - 1) {
            const std::string g = argv[++at];
            const size_t x = g.find('x');
            if (x == std::string::npos || !ParseInt(g.substr(0, x).c_str(), 1, 250, o.cols) ||
                !ParseInt(g.substr(x + 1).c_str(), 1, 250, o.rows)) {
                std::fprintf(stderr, "kestu-gma: bad grid '%s'\n", g.c_str());
                return 2;
            }
        } else if (opt == "--share-materials") {
            o.flags |= 0x10;
        } else if (opt == "--share-texcoord") {
            o.flags |= 0x20;
        } else if (opt == "--no-normals") {
            o.flags |= 0x08;
        } else if (opt == "--right-handed") {
            o.flags &= ~0x02u;
        } else if (opt == "--boxes") {
            o.flags |= 0x04;
        } else {
            std::fprintf(stderr, "kestu-gma: unknown option '%s'\n", opt.c_str());
            return Usage();
        }
    }
    if (at != argc - 1)
        return Usage();
    return kgma::Sample(argv[at], o);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    if (command == "info")
        return argc == 3 ? kgma::Info(argv[2]) : Usage();
    if (command == "remove-normals" || command == "share-materials" || command == "share-texcoord" ||
        command == "unshare-texcoord")
        return argc == 3 ? kgma::Rewrite(command, argv[2]) : Usage();
    if (command == "preprocess") {
        bool normals = false, boxes = false;
        int at = 2;
        for (; at < argc - 1; ++at) {
            const std::string opt = argv[at];
            if (opt == "--remove-normals")
                normals = true;
            else if (opt == "--boxes")
                boxes = true;
            else
                return Usage();
        }
        return at == argc - 1 ? kgma::Preprocess(argv[at], normals, boxes) : Usage();
    }
    if (command == "texture-ids")
        return argc == 4 || argc == 5 ? kgma::UpdateTextureIds(argv[2], argv[3], argc == 5 ? argv[4] : "") : Usage();
    if (command == "attribute-map")
        return argc == 4 ? kgma::AttributeMap(argv[2], argv[3]) : Usage();
    if (command == "lod")
        return argc == 4 ? kgma::Lod(argv[2], argv[3]) : Usage();
    if (command == "sample")
        return SampleCommand(argc, argv);
    return Usage();
}
