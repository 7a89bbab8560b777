// The version words of a stored particle system. Systems stored with the
// first minor version hold action records that lack some fields their actions
// need; the engine writes the second, whose records hold them all, only for a
// system with an action whose fields the first would lose.
#pragma once
#include <windows.h>

constexpr DWORD kPPSMajorVer = 0x1234;
constexpr DWORD kPPSMinorVerShortActions = 0x5678;
constexpr DWORD kPPSMinorVerFullActions = 0x5679;
