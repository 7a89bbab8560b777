// Keeps the platform library non-empty until its first real source lands.
namespace kestu::platform {
int PlatformLibraryVersion() { return 1; }
}
