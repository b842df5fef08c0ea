// The event procedures of the main window: the start, the remittance list and the buffer, the
// "CAMBIAR" and "SALIR" buttons and the close button of the title strip.

#include "prefix_change.h"
#include "remittance_files.h"
#include "texts.h"
#include "trasvidora_window.h"

void Trasvidora::Form_Load() {
  FillRemittanceList();
}

void Trasvidora::FillRemittanceList() {
  // The "*.xml" files of the remittance folder, read once and never again.
  for (const std::wstring& name : remittance::listRemittances(folder_)) {
    SendMessageW(file1_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  if (entryCount() > 0) {
    SendMessageW(file1_, LB_SETCURSEL, 0, 0);
    File1_Click();  // selecting an entry raises the list's click event
  }
  Command1_Click();
}

void Trasvidora::File1_Click() {
  Command1_Click();
}

// Load: the selected remittance into the buffer. The old text goes first, so that memory never
// holds two remittances.
void Trasvidora::Command1_Click() {
  document_ = {};
  if (entryCount() == 0) {
    showMessage(texts::kNoRemittances);
    endProgram();
    return;
  }
  remittance::LoadedRemittance loaded = remittance::loadRemittance(selectedPath());
  document_ = std::move(loaded.document);
  stamp_ = loaded.stamp;
}

// Save: the buffer over the selected remittance, which must still be the file it was read from.
void Trasvidora::Command2_Click() {
  const std::wstring path = selectedPath();
  remittance::saveRemittance(path, document_, stamp_);
  stamp_ = remittance::stampOf(path);  // the file is now the one just written
}

// "CAMBIAR": the prefix change, on the remittance as it is on disk now.
void Trasvidora::Command3_Click() {
  setPointer(Pointer::Wait);
  if (remittance::stampOf(selectedPath()) != stamp_) Command1_Click();
  if (remittance::changeMessageIdPrefix(document_)) {
    Command2_Click();
    setPointer(Pointer::Default);
    showMessage(texts::kRemittanceChanged);
  } else {
    setPointer(Pointer::Default);
    showMessage(texts::kCannotChangePrefix);
  }
}

// "SALIR".
void Trasvidora::Command4_Click() {
  endProgram();
}

void Trasvidora::Image10_MouseMove(std::int16_t index, [[maybe_unused]] int button,
                                   [[maybe_unused]] int shift, [[maybe_unused]] float x,
                                   [[maybe_unused]] float y) {
  if (index == 0) setCloseButtonPicture(image11_[0]);
}

void Trasvidora::Image9_MouseMove([[maybe_unused]] int button, [[maybe_unused]] int shift,
                                  [[maybe_unused]] float x, [[maybe_unused]] float y) {
  setCloseButtonPicture(image12_[0]);
}

void Trasvidora::Image10_Click(std::int16_t index) {
  if (index == 0) endProgram();
}

void Trasvidora::showMessage(const std::wstring& text) {
  shell_.showMessage(window_, text, texts::kMessageCaption);
}

// The shell does not come back in the real program; when it does, nothing more of the program
// runs: start() sees that and leaves the window hidden.
void Trasvidora::endProgram(int exitCode) {
  ended_ = true;
  shell_.endProgram(exitCode);
}

void Trasvidora::setPointer(Pointer pointer) {
  pointer_ = pointer;
  SetCursor(LoadCursorW(nullptr, pointer == Pointer::Wait ? IDC_WAIT : IDC_ARROW));
}

// Repaints only the button's box, and only when its picture changes.
void Trasvidora::setCloseButtonPicture(HBITMAP picture) {
  if (picture == closeButtonPicture_) return;
  closeButtonPicture_ = picture;
  const RECT box = layout::toPixels(layout::boxOf(layout::SurfaceItem::Image10), dpi_);
  InvalidateRect(window_, &box, FALSE);
}

int Trasvidora::entryCount() const {
  const LRESULT count = SendMessageW(file1_, LB_GETCOUNT, 0, 0);
  return count == LB_ERR ? 0 : static_cast<int>(count);
}

std::wstring Trasvidora::selectedName() const {
  const LRESULT index = SendMessageW(file1_, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return {};
  const LRESULT length = SendMessageW(file1_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return {};
  std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(file1_, LB_GETTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(name.data()));
  name.resize(static_cast<std::size_t>(length));
  return name;
}

// Built afresh from the current selection every time.
std::wstring Trasvidora::selectedPath() const {
  return folder_ + selectedName();
}
