// Keeps the companion library non-empty until its first real source lands.
namespace kestu::companion {
int CompanionLibraryVersion() { return 1; }
}
