// Message boxes and beeps never block: each is recorded for the host and
// logged on stderr, and the box returns the host's answer.
#include <cstdio>
#include <mutex>

#include "host/host_win32.h"
#include "win32/win32_common.h"

namespace {

struct DialogState {
    std::mutex mutex;
    std::vector<host::MessageBoxRecord> boxes;
    std::vector<UINT> beeps;
    int answer = 0;
};

DialogState& Dialogs()
{
    static DialogState state;
    return state;
}

// The buttons of each box type, left to right.
int DefaultButton(UINT type)
{
    static const int kButtons[7][3] = {
        {IDOK, IDOK, IDOK},                 // MB_OK
        {IDOK, IDCANCEL, IDCANCEL},         // MB_OKCANCEL
        {IDABORT, IDRETRY, IDIGNORE},       // MB_ABORTRETRYIGNORE
        {IDYES, IDNO, IDCANCEL},            // MB_YESNOCANCEL
        {IDYES, IDNO, IDNO},                // MB_YESNO
        {IDRETRY, IDCANCEL, IDCANCEL},      // MB_RETRYCANCEL
        {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, // MB_CANCELTRYCONTINUE
    };
    UINT kind = type & MB_TYPEMASK;
    if (kind > 6) kind = 0;
    UINT def = (type & MB_DEFMASK) >> 8;
    if (def > 2) def = 0;
    return kButtons[kind][def];
}

} // namespace

extern "C" {

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    DialogState& d = Dialogs();
    host::MessageBoxRecord record;
    record.owner = owner;
    record.text = text ? text : "";
    record.caption = caption ? caption : "Error";
    record.type = type;
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        record.answer = d.answer != 0 ? d.answer : DefaultButton(type);
        d.boxes.push_back(record);
    }
    std::fprintf(stderr, "[MessageBox] %s: %s\n", record.caption.c_str(), record.text.c_str());
    return record.answer;
}

BOOL MessageBeep(UINT type)
{
    DialogState& d = Dialogs();
    {
        std::lock_guard<std::mutex> lock(d.mutex);
        d.beeps.push_back(type);
    }
    std::fprintf(stderr, "[MessageBeep] 0x%X\n", type);
    return TRUE;
}

} // extern "C"

namespace host {

std::vector<MessageBoxRecord> GetMessageBoxes()
{
    std::lock_guard<std::mutex> lock(Dialogs().mutex);
    return Dialogs().boxes;
}

void ClearMessageBoxes()
{
    std::lock_guard<std::mutex> lock(Dialogs().mutex);
    Dialogs().boxes.clear();
}

void SetMessageBoxAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(Dialogs().mutex);
    Dialogs().answer = answer;
}

std::vector<UINT> GetMessageBeeps()
{
    std::lock_guard<std::mutex> lock(Dialogs().mutex);
    return Dialogs().beeps;
}

void ClearMessageBeeps()
{
    std::lock_guard<std::mutex> lock(Dialogs().mutex);
    Dialogs().beeps.clear();
}

} // namespace host

namespace kestu::platform::win32 {

void ResetDialogs()
{
    DialogState& d = Dialogs();
    std::lock_guard<std::mutex> lock(d.mutex);
    d.boxes.clear();
    d.beeps.clear();
    d.answer = 0;
}

} // namespace kestu::platform::win32
