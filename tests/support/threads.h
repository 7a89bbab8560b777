// The threads of this process other than the calling one, by name. Test
// programs check that none outlives their teardown: LeakSanitizer's check at
// exit stops every thread, and a driver thread caught mid-exit can crash it.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

// A thread that has been joined can stay listed for a moment while the
// kernel finishes its exit, so this waits up to a second for the list to
// empty and returns what is still running then.
std::vector<std::string> OtherThreads();

} // namespace testsupport
