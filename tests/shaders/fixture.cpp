// The d3d8 tests' shared device, built into this executable too.
#include "d3d8/d3d8_fixture.cpp"
