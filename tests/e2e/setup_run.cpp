#include "setup_run.h"

#include <commctrl.h>

#include <cstdio>

#include "files.h"

SetupRun::~SetupRun() {
    Kill();
    if (info_.hProcess) CloseHandle(info_.hProcess);
    if (info_.hThread) CloseHandle(info_.hThread);
}

bool SetupRun::Start(const std::string& exe, const std::string& arguments, const char* cwd) {
    std::string command = "\"" + exe + "\"";
    if (!arguments.empty()) command += " " + arguments;
    std::vector<char> buffer(command.begin(), command.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd,
                          &startup, &info_) != 0;
}

namespace {

// What NtCreateUserProcess takes, as far as this start needs it.
struct PsAttribute {
    ULONG_PTR attribute;
    SIZE_T size;
    void* value;
    SIZE_T* returnLength;
};
struct PsAttributeList {
    SIZE_T totalLength;
    PsAttribute attributes[2];
};
struct NtClientId {
    HANDLE process;
    HANDLE thread;
};
struct NtString {
    USHORT length;
    USHORT maximumLength;
    wchar_t* buffer;
};
constexpr ULONG_PTR kPsImageName = 0x20005;
constexpr ULONG_PTR kPsClientId = 0x10003;
constexpr ULONG kParamsNormalized = 1;
constexpr ULONG kCreateSuspended = 1;
using CreateParamsFn = LONG(NTAPI*)(void** params, NtString* image, NtString* dllPath,
                                    NtString* currentDirectory, NtString* commandLine,
                                    void* environment, NtString* title, NtString* desktop,
                                    NtString* shellInfo, NtString* runtimeData, ULONG flags);
using DestroyParamsFn = LONG(NTAPI*)(void* params);
using CreateUserProcessFn = LONG(NTAPI*)(HANDLE* process, HANDLE* thread, ACCESS_MASK, ACCESS_MASK,
                                         void* processAttributes, void* threadAttributes,
                                         ULONG processFlags, ULONG threadFlags, void* params,
                                         void* createInfo, PsAttributeList* attributes);

NtString Counted(std::wstring& text) {
    const USHORT bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return NtString{bytes, static_cast<USHORT>(bytes + sizeof(wchar_t)), &text[0]};
}

}  // namespace

bool SetupRun::StartWide(const std::wstring& exe) {
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    return CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
}

bool SetupRun::StartLongPath(const std::string& exe) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto createParams = reinterpret_cast<CreateParamsFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlCreateProcessParametersEx")));
    auto destroyParams = reinterpret_cast<DestroyParamsFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlDestroyProcessParameters")));
    auto createProcess = reinterpret_cast<CreateUserProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateUserProcess")));
    if (!createParams || !destroyParams || !createProcess) return false;

    std::wstring image = WidePath(exe);
    if (image.compare(0, 4, L"\\\\?\\") == 0) image.erase(0, 4);
    std::wstring ntImage = L"\\??\\" + image;
    std::wstring commandLine = L"\"" + image + L"\"";
    NtString imageString = Counted(image), commandString = Counted(commandLine);
    void* params = nullptr;
    // No environment given: the driver's own is copied, as CreateProcess does.
    if (createParams(&params, &imageString, nullptr, nullptr, &commandString, nullptr, &imageString,
                     nullptr, nullptr, nullptr, kParamsNormalized) != 0)
        return false;
    NtClientId client{};
    PsAttributeList attributes{};
    attributes.totalLength = sizeof attributes;
    attributes.attributes[0] = {kPsImageName, ntImage.size() * sizeof(wchar_t), &ntImage[0],
                                nullptr};
    attributes.attributes[1] = {kPsClientId, sizeof client, &client, nullptr};
    alignas(8) unsigned char createInfo[128] = {};  // PS_CREATE_INFO: its size comes first
    *reinterpret_cast<SIZE_T*>(createInfo) = sizeof(void*) == 4 ? 0x48 : 0x58;
    HANDLE process = nullptr, thread = nullptr;
    const LONG status =
        createProcess(&process, &thread, PROCESS_ALL_ACCESS, THREAD_ALL_ACCESS, nullptr, nullptr, 0,
                      kCreateSuspended, params, createInfo, &attributes);
    destroyParams(params);
    if (status != 0) return false;
    info_.hProcess = process;
    info_.hThread = thread;
    info_.dwProcessId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(client.process));
    info_.dwThreadId = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(client.thread));
    ResumeThread(thread);
    return true;
}

bool SetupRun::WaitForDialog(DWORD ms) {
    dialog = WaitForTopLevel(Pid(), "#32770", "Quillmere Installer", kAnyOwner, ms);
    if (!dialog) return false;
    list = GetDlgItem(dialog, 1000);
    install = GetDlgItem(dialog, IDOK);
    cancel = GetDlgItem(dialog, IDCANCEL);
    about = GetDlgItem(dialog, 0xE140);
    return true;
}

bool SetupRun::Running() const {
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD SetupRun::WaitExit(DWORD ms) {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, ms) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void SetupRun::Kill() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 0xDEAD);
    WaitForSingleObject(info_.hProcess, 5000);
}

bool SetupRun::SetChecked(int row, bool checked) const {
    return SetRowState(info_.hProcess, list, row, checked ? kChecked : kUnchecked,
                       LVIS_STATEIMAGEMASK);
}

std::string ExitText(DWORD code) {
    if (code == STILL_ACTIVE) return "(still running)";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld (0x%lx)", static_cast<long>(code),
                  static_cast<unsigned long>(code));
    return buffer;
}
