// kestu-gma: looks into GMA files and runs the engine's GMA file tools and converters on them.
#include <cstdio>
#include <string>

#include "common/file_args.h"
#include "gma_commands.h"

namespace {

const ktool::Cli cli("kestu-gma",
                     "usage:\n"
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
                     "The file tools work on version 1.4 (and 0.x) files; they rewrite FILE in place.\n");

int SampleCommand(int argc, char** argv)
{
    kgma::SampleOptions o;
    int at = 2;
    for (; at < argc - 1; ++at) {
        const std::string opt = argv[at];
        if (opt == "--version" && at + 1 < argc - 1) {
            const std::string v = argv[++at];
            const size_t dot = v.find('.');
            if (dot == std::string::npos || !ktool::ParseInteger(v.substr(0, dot).c_str(), 0, 1, o.major) ||
                !ktool::ParseInteger(v.substr(dot + 1).c_str(), 0, o.major ? 4 : 65535, o.minor))
                return cli.Misuse("bad version '%s' (1.0 to 1.4, or 0.N)", v.c_str());
        } else if (opt == "--frames" && at + 1 < argc - 1) {
            if (!ktool::ParseInteger(argv[++at], 1, 1000, o.frames))
                return cli.Misuse("bad frame count '%s' (1 to 1000)", argv[at]);
        } else if (opt == "--grid" && at + 1 < argc - 1) {
            const std::string g = argv[++at];
            const size_t x = g.find('x');
            if (x == std::string::npos || !ktool::ParseInteger(g.substr(0, x).c_str(), 1, 250, o.cols) ||
                !ktool::ParseInteger(g.substr(x + 1).c_str(), 1, 250, o.rows))
                return cli.Misuse("bad grid '%s' (COLSxROWS, 1 to 250 each)", g.c_str());
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
            return cli.Misuse("unknown sample option '%s'", opt.c_str());
        }
    }
    if (at != argc - 1) return cli.Misuse("sample needs one FILE after its options");
    const int status = ktool::FileArgs().Output(argv[at], "FILE").Check(cli);
    return status ? status : kgma::Sample(argv[at], o);
}

} // namespace

int main(int argc, char** argv)
{
    if (ktool::Cli::AsksHelp(argc, argv)) return cli.Help();
    if (argc < 2) return cli.Misuse("no command given");
    const std::string command = argv[1];
    const int given = argc - 2;
    auto wrong = [&](const char* wants) { return cli.Misuse("'%s' takes %s", command.c_str(), wants); };
    ktool::FileArgs files;
    int status = 0;
    if (command == "info") {
        if (given != 1) return wrong("one FILE");
        if ((status = files.Input(argv[2], "FILE").Check(cli)) != 0) return status;
        return kgma::Info(argv[2]);
    }
    if (command == "remove-normals" || command == "share-materials" || command == "share-texcoord" ||
        command == "unshare-texcoord") {
        if (given != 1) return wrong("one FILE");
        if ((status = files.InOut(argv[2], "FILE").Check(cli)) != 0) return status;
        return kgma::Rewrite(command, argv[2]);
    }
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
                return cli.Misuse("unknown preprocess option '%s'", opt.c_str());
        }
        if (at != argc - 1) return wrong("options and one FILE");
        if ((status = files.InOut(argv[at], "FILE").Check(cli)) != 0) return status;
        return kgma::Preprocess(argv[at], normals, boxes);
    }
    if (command == "texture-ids") {
        if (given != 2 && given != 3) return wrong("FILE, TEXLIB and an optional LOG");
        files.InOut(argv[2], "FILE").Input(argv[3], "TEXLIB");
        if (given == 3) files.Output(argv[4], "LOG");
        if ((status = files.Check(cli)) != 0) return status;
        return kgma::UpdateTextureIds(argv[2], argv[3], given == 3 ? argv[4] : "");
    }
    if (command == "attribute-map" || command == "lod") {
        if (given != 2) return wrong("SOURCE and DEST");
        if ((status = files.Input(argv[2], "SOURCE").Output(argv[3], "DEST").Check(cli)) != 0) return status;
        return command == "lod" ? kgma::Lod(argv[2], argv[3]) : kgma::AttributeMap(argv[2], argv[3]);
    }
    if (command == "sample") return SampleCommand(argc, argv);
    return cli.Misuse("unknown command '%s'", command.c_str());
}
