#include "shell/ShellContext.h"

#include "platform/Handles_win32.h"

ShellContext g_shell;

void ShellContext::Init(HINSTANCE resourceModule) {
    resourceModule_ = resourceModule;
    InitializeCriticalSection(&lock_);
    initialised_ = true;
    pending_ = nullptr;
}

void ShellContext::Term() {
    if (!initialised_) return;
    DeleteCriticalSection(&lock_);
    initialised_ = false;
}

void ShellContext::Register(BoundDialog& object, BindingEntry& entry) {
    const platform::CriticalSectionLock hold(lock_);
    entry.object = &object;
    entry.threadId = GetCurrentThreadId();
    entry.next = pending_;
    pending_ = &entry;
}

BoundDialog* ShellContext::TakePending() {
    const DWORD thread = GetCurrentThreadId();
    BoundDialog* found = nullptr;
    const platform::CriticalSectionLock hold(lock_);
    for (BindingEntry** link = &pending_; *link; link = &(*link)->next) {
        if ((*link)->threadId == thread) {
            found = (*link)->object;
            *link = (*link)->next;
            break;
        }
    }
    return found;
}

void ShellContext::Withdraw(BindingEntry& entry) {
    const platform::CriticalSectionLock hold(lock_);
    for (BindingEntry** link = &pending_; *link; link = &(*link)->next) {
        if (*link == &entry) {
            *link = entry.next;
            break;
        }
    }
}
