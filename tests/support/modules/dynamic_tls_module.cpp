// A module with thread-local storage of its own. Loaded with dlopen, its
// variables live in dynamic TLS blocks: one small heap block per thread,
// made on the thread's first access.
extern "C" {

__thread void* kestu_dynamic_tls_slot[2];

__attribute__((visibility("default"))) void** KestuDynamicTlsSlot() { return kestu_dynamic_tls_slot; }
}
