// Dialogs from DIALOGEX templates, modal or modeless, with data exchange.
//
// The dialog procedure only attaches the object at WM_INITDIALOG and
// subclasses the dialog; from then on every message goes through the
// object's message map first and the dialog manager's handling is the
// default. Results are therefore plain window-procedure results.
#pragma once

#include <string>

#include "framework/window.h"
#include "platform/win32/message_box_prompter.h"

namespace tw::fw {

class CDialog;

// One pass of data exchange. After the first failure the remaining
// exchanges of the pass do nothing and the pass reports failure.
class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool save) : dialog_(dialog), save_(save) {}
  bool saving() const { return save_; }
  bool failed() const { return failed_; }
  CDialog* dialog() const { return dialog_; }
  HWND Control(int id);
  // Tells the user, puts the focus on the control in question, fails the pass.
  void Fail(const std::u16string& message);

 private:
  CDialog* dialog_;
  bool save_;
  bool failed_ = false;
  HWND last_control_ = nullptr;
};

// Text with an optional length limit (0: none). Loading sets the edit's
// limit; saving a longer text fails rather than cutting it.
void DDX_Text(CDataExchange& dx, int id, std::wstring& value, int max_chars = 0);

// Gives a prompter's messages to `owner` for the life of the object, then
// back to the window before.
class ScopedPrompterOwner {
 public:
  ScopedPrompterOwner(Prompter& prompter, HWND owner) : prompter_(prompter), before_(prompter.SetOwnerWindow(owner)) {}
  ~ScopedPrompterOwner() { prompter_.SetOwnerWindow(before_); }
  ScopedPrompterOwner(const ScopedPrompterOwner&) = delete;
  ScopedPrompterOwner& operator=(const ScopedPrompterOwner&) = delete;

 private:
  Prompter& prompter_;
  void* before_;
};

class CDialog : public CWindow {
 public:
  explicit CDialog(UINT template_id, HINSTANCE instance = nullptr);

  UINT template_id() const { return template_id_; }
  HINSTANCE instance() const { return instance_; }

  INT_PTR DoModal(HWND parent = nullptr);
  // Created, not necessarily visible: the template's WS_VISIBLE decides.
  HWND CreateModeless(HWND parent = nullptr);
  // A modal loop on a modeless dialog. It never shows the window, so a
  // dialog started hidden stays hidden until something shows it.
  INT_PTR RunModalLoop();
  void EndDialog(INT_PTR result);
  INT_PTR result() const { return result_; }

  bool UpdateData(bool save);
  void SetPrompter(Prompter* p) { prompter_ = p; }
  Prompter& prompter();

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange&) {}

  bool ProcessWindowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

 protected:
  static INT_PTR CALLBACK DialogProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
  // Attaches the object to a dialog the dialog manager has just created.
  LRESULT AttachAndInit(HWND h, WPARAM wp, LPARAM lp);

 private:
  enum class Mode { kNone, kModal, kLoop, kModeless };
  UINT template_id_;
  HINSTANCE instance_;
  Mode mode_ = Mode::kNone;
  bool loop_ended_ = false;
  INT_PTR result_ = 0;
  Prompter* prompter_ = nullptr;
  MessageBoxPrompter own_prompter_;  // owned by the dialog
};

}  // namespace tw::fw
