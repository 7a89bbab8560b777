// Hand-written .x files for the mesh tests.
#pragma once
#include <cstdio>
#include <string>

// Three quads side by side at z = 0.5, facing -z, one material each:
// red opaque (alpha 1), green translucent (alpha 0.5), blue with alpha 2.
inline const char kThreeMaterialsX[] = R"(xof 0303txt 0032
Mesh Strip {
  12;
  -0.9;-0.5;0.5;, -0.9;0.5;0.5;, -0.4;0.5;0.5;, -0.4;-0.5;0.5;,
  -0.25;-0.5;0.5;, -0.25;0.5;0.5;, 0.25;0.5;0.5;, 0.25;-0.5;0.5;,
  0.4;-0.5;0.5;, 0.4;0.5;0.5;, 0.9;0.5;0.5;, 0.9;-0.5;0.5;;
  6;
  3;0,1,2;, 3;0,2,3;, 3;4,5,6;, 3;4,6,7;, 3;8,9,10;, 3;8,10,11;;
  MeshNormals { 1; 0.0;0.0;-1.0;; 6; 3;0,0,0;, 3;0,0,0;, 3;0,0,0;, 3;0,0,0;, 3;0,0,0;, 3;0,0,0;; }
  MeshMaterialList {
    3; 6; 0,0,1,1,2,2;;
    Material { 1.0;0.0;0.0;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
    Material { 0.0;1.0;0.0;0.5;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; TextureFilename { "no_such_texture.bmp"; } }
    Material { 0.0;0.0;1.0;2.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }
  }
}
)";

inline void WriteFile(const std::string& path, const std::string& text)
{
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

// A triangle mesh (3 vertices) or a quad mesh (4 vertices) with one material.
inline std::string MeshText(const std::string& name, bool quad, const char* rgba = "1.0;1.0;1.0;1.0;;")
{
    std::string s = "Mesh " + name + " {\n";
    if (quad)
        s += "4; 0;0;0;, 0;1;0;, 1;1;0;, 1;0;0;; 2; 3;0,1,2;, 3;0,2,3;;\n";
    else
        s += "3; 0;0;0;, 0;1;0;, 1;1;0;; 1; 3;0,1,2;;\n";
    s += "MeshMaterialList { 1; " + std::string(quad ? "2; 0,0;;" : "1; 0;;") + " Material { " + rgba +
         " 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }\n}\n";
    return s;
}
