// A small hand-written .x file shared by the file-interface and mesh tests:
// two frames, the second inside the first with a mesh of two materials
// (one by reference), normals and texture coordinates.
#pragma once

inline const char kTwoFrameX[] = R"(xof 0303txt 0032
// comments of both kinds
# are skipped
template Unused { <11111111-2222-3333-4444-555555555555> DWORD a; }

Header { 1; 0; 1; }

Material RedMat { 1.0; 0.0; 0.0; 1.0;; 8.0; 0.5; 0.5; 0.5;; 0.0; 0.0; 0.0;; TextureFilename { "red.bmp"; } }

SomethingUnknown Thing { 1; 2; { nested braces } "text" ; }

Frame Outer {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 5.0,6.0,7.0,1.0;; }
  Frame Inner {
    FrameTransformMatrix { 2.0,0.0,0.0,0.0, 0.0,2.0,0.0,0.0, 0.0,0.0,2.0,0.0, 0.0,0.0,0.0,1.0;; }
    Mesh Quad {
      4;
      0.0; 0.0; 0.0;,
      1.0; 0.0; 0.0;,
      1.0; 1.0; 0.0;,
      0.0; 1.0; 0.0;;
      2;
      3; 0, 1, 2;,
      3; 0, 2, 3;;
      MeshNormals { 1; 0.0; 0.0; -1.0;; 2; 3; 0, 0, 0;, 3; 0, 0, 0;; }
      MeshTextureCoords { 4; 0.0; 1.0;, 1.0; 1.0;, 1.0; 0.0;, 0.0; 0.0;; }
      MeshMaterialList {
        2; 2; 0, 1;;
        { RedMat }
        Material { 0.0; 0.0; 1.0; 0.5;; 2.0; 0.0; 0.0; 0.0;; 0.1; 0.2; 0.3;; }
      }
    }
  }
}
)";
