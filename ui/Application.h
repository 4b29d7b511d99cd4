#pragma once
// The application object: the hidden application window that carries the
// program's taskbar button and icon, the forms, the message loop and its
// exception handler, and minimising and restoring the whole program.
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "ui/Component.h"
#include "ui/Form.h"
#include "ui/Graphics.h"

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    LRESULT WindowMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

    // Initialises the common controls. Call once before creating forms.
    void Initialize();

    // Creates a form owned by the application and runs its OnCreate. The
    // first form created becomes the main form.
    template <class T, class... Args>
    T* CreateForm(Args&&... args)
    {
        T* form = Create<T>(std::forward<Args>(args)...);
        if (!FMainForm) {
            FMainForm = form;
            FreeNotification(form);
        }
        form->DoCreate();
        return form;
    }

    // Shows the main form and dispatches messages until Terminate.
    void Run();
    void ShowMainForm();
    // Dispatches the messages waiting now, then returns.
    void ProcessMessages();
    // Dispatches one message, waiting for it when none is there. With a
    // dialog, its keys (Tab between the controls) are handled the dialog's way.
    void HandleMessage(HWND dialog = nullptr);
    void Terminate();
    bool Terminated() const { return FTerminated; }

    HWND Handle() const { return FHandle; }
    TForm* MainForm() const { return FMainForm; }
    const std::wstring& Title() const { return FTitle; }
    void SetTitle(const std::wstring& value);
    const TIcon& Icon() const { return FIcon; }
    void SetIcon(const TIcon& value);
    // The long hint of what the pointer or a menu selection rests on; a
    // change raises OnHint for whoever shows it (a status bar).
    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& value);

    bool Minimized() const { return IsIconic(FHandle) != FALSE; }
    void Minimize();
    // Restores the application when it is minimised, raising OnRestore.
    void Restore();

    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
    // Shows the exception in flight (call it from a catch block) through
    // OnException or, without one, in a message box.
    void HandleException(TObject* sender);
    // Shows the exception in flight the same way, but only once the call in
    // progress has returned: for calls another program waits on (an OLE drag
    // step), where a message box would hold up that program's loop.
    void PostException(TObject* sender);
    void ShowException(const std::exception& error);

    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;
    TNotifyEvent OnHint;
    std::function<void(TObject* sender, const std::exception& error)> OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WMSysCommand(WPARAM wParam, LPARAM lParam);
    bool DispatchOne(HWND dialog = nullptr);
    void ShowPostedException();

    // A sender that goes before its error is shown is forgotten, not named.
    struct TPostedException {
        std::exception_ptr Error;
        TComponent* Sender;
    };
    std::deque<TPostedException> FPostedExceptions;

    HWND FHandle = nullptr;
    TForm* FMainForm = nullptr;
    std::wstring FTitle;
    TIcon FIcon;
    std::wstring FHint;
    bool FTerminated = false;
};

// The one application object of the process.
extern TApplication* Application;
