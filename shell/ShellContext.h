// The one process-wide context: the resource module and the list of dialog
// objects waiting to be bound to the window being created for them.
#pragma once

#include <windows.h>

class BoundDialog;

struct BindingEntry {
    BoundDialog* object = nullptr;
    DWORD threadId = 0;
    BindingEntry* next = nullptr;
};

class ShellContext {
public:
    void Init(HINSTANCE resourceModule);
    void Term();
    HINSTANCE ResourceModule() const { return resourceModule_; }

    // Pushes the object's own entry at the head of the pending list.
    void Register(BoundDialog& object, BindingEntry& entry);
    // Unlinks and returns the newest object registered by this thread.
    BoundDialog* TakePending();
    // Drops the entry if it is still pending (the window was never created).
    void Withdraw(BindingEntry& entry);

private:
    HINSTANCE resourceModule_ = nullptr;
    CRITICAL_SECTION lock_;
    bool initialised_ = false;
    BindingEntry* pending_ = nullptr;
};

extern ShellContext g_shell;
