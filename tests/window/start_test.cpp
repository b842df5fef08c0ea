// The start: the list filled from the remittance folder and the first file loaded, or a message
// and the end of the program before the window is ever shown.

#include <functional>

#include "owned_handle.h"
#include "processor_check.h"
#include "window_harness.h"

namespace {

std::wstring listEntry(HWND list, int index) {
  wchar_t name[MAX_PATH] = {};
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
  return name;
}

// Refuses the creation of the control with the identifier, as a system out of resources would.
template <int id>
LRESULT CALLBACK refuseControl(int code, WPARAM window, LPARAM details) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW& made = *reinterpret_cast<CBT_CREATEWNDW*>(details)->lpcs;
    if ((made.style & WS_CHILD) && reinterpret_cast<INT_PTR>(made.hMenu) == id) return 1;
  }
  return CallNextHookEx(nullptr, code, window, details);
}

using ControlRefusal = remittance::Owned<HHOOK, UnhookWindowsHookEx>;
ControlRefusal refuse(HOOKPROC procedure) {
  return ControlRefusal(SetWindowsHookExW(WH_CBT, procedure, nullptr, GetCurrentThreadId()));
}

using StartTest = WindowTest;

TEST_F(StartTest, ListsTheXmlFilesAndSelectsTheFirst) {
  addRemittance("b.xml", remittanceText("PRE", "2"));
  addRemittance("A.XML", remittanceText("PRE", "1"));
  addRemittance("notas.txt", "no es una remesa");

  ASSERT_TRUE(start());

  EXPECT_TRUE(IsWindowVisible(handle()));
  EXPECT_TRUE(messages_.shown.empty());
  EXPECT_TRUE(exitCodes.empty());
  const HWND list = control(kRemittanceListId);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(listEntry(list, 0), L"A.XML");
  EXPECT_EQ(listEntry(list, 1), L"b.xml");
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(GetFocus(), control(kChangeButtonId));
}

TEST_F(StartTest, ListIsNotRefreshedWhileTheProgramRuns) {
  addRemittance("a.xml", remittanceText("PRE", "1"));
  ASSERT_TRUE(start());
  addRemittance("b.xml", remittanceText("PRE", "2"));
  click(kChangeButtonId);
  EXPECT_EQ(SendMessageW(control(kRemittanceListId), LB_GETCOUNT, 0, 0), 1);
}

// Every way the start can fail: one message naming what went wrong, shown while the end of the
// program is not yet queued (the harness checks), and the window never shown.
TEST_F(StartTest, EndsBeforeShowingTheWindowWithOneMessage) {
  struct Case {
    const char* name;
    std::function<std::filesystem::path(StartTest&)> prepare;  // gives the folder to start over
    std::function<std::wstring(StartTest&)> messageStart;
    UINT exitCode;
    HOOKPROC refusal = nullptr;  // a control that cannot be created
  };
  const auto withRemittance = [](StartTest& test) {
    test.addRemittance("a.xml", remittanceText("PRE", "1"));
    return test.folder();
  };
  const auto controlMissing = [](StartTest&) {
    return std::wstring(L"Error inesperado: no se puede crear un control de la ventana");
  };
  const Case cases[] = {
      {"no xml file",
       [](StartTest& test) {
         test.addRemittance("notas.txt", "no es una remesa");
         return test.folder();
       },
       [](StartTest&) { return std::wstring(L"No hay remesas para cambiar"); }, 0},
      {"only a hidden xml file",
       [](StartTest& test) {
         test.addRemittance("oculta.xml", remittanceText("PRE", "1"));
         SetFileAttributesW(test.file("oculta.xml").c_str(), FILE_ATTRIBUTE_HIDDEN);
         return test.folder();
       },
       [](StartTest&) { return std::wstring(L"No hay remesas para cambiar"); }, 0},
      {"no remittance folder", [](StartTest& test) { return test.temp_ / "no-existe"; },
       [](StartTest& test) {
         return L"No se puede abrir la carpeta de remesas " + (test.temp_ / "no-existe").native() +
                L".\n\n";
       },
       1},
      {"no change button", withRemittance, controlMissing, 1, &refuseControl<kChangeButtonId>},
      {"no list", withRemittance, controlMissing, 1, &refuseControl<kRemittanceListId>},
      {"no exit button", withRemittance, controlMissing, 1, &refuseControl<kExitButtonId>},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(folder());
    std::filesystem::create_directory(folder());
    messages_.shown.clear();
    const std::filesystem::path started = row.prepare(*this);
    ControlRefusal refusal;
    if (row.refusal) {
      refusal = refuse(row.refusal);
      ASSERT_TRUE(refusal.valid());
    }

    EXPECT_FALSE(start(started));

    ASSERT_EQ(messages_.shown.size(), 1u);
    const std::wstring expected = row.messageStart(*this);
    EXPECT_EQ(messages_.shown[0].text.substr(0, expected.size()), expected);
    EXPECT_EQ(messages_.shown[0].caption, L"trasvidora");
    EXPECT_NE(messages_.shown[0].owner, nullptr);
    EXPECT_FALSE(messages_.shown[0].ownerVisible);
    EXPECT_FALSE(IsWindow(messages_.shown[0].owner)) << "the window goes with the program";
    EXPECT_EQ(exitCodes, std::vector<UINT>{row.exitCode});
  }
}

TEST_F(StartTest, UnreadableFirstRemittanceIsNamedWithTheReasonAndEndsBeforeShowingTheWindow) {
  const std::string bytes = remittanceText("PRE", "1");
  addRemittance("a.xml", bytes);
  // Another program holds the file open and lets nobody read it.
  const HANDLE locked = CreateFileW(file("a.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);

  EXPECT_FALSE(start());
  CloseHandle(locked);

  ASSERT_EQ(messages_.shown.size(), 1u);
  const std::wstring& text = messages_.shown[0].text;
  const std::wstring expectedStart =
      L"No se puede leer la remesa " + file("a.xml").native() + L".\n\n";
  EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_GT(text.size(), expectedStart.size() + 3) << "the system's reason follows";
  EXPECT_FALSE(messages_.shown[0].ownerVisible);
  EXPECT_EQ(exitCodes, std::vector<UINT>{1});
  EXPECT_EQ(readBytes(file("a.xml")), bytes);
}

// A processor without SSE2 is told why before anything starts; one with it hears nothing.
TEST(ProcessorCheck, WithoutSse2TheProgramSaysWhyAndDoesNotStart) {
  MessageRecorder messages;
  EXPECT_TRUE(processorRunsProgram(true, messages));
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(processorRunsProgram(false, messages));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text,
            L"trasvidora necesita un procesador con instrucciones SSE2 (Pentium 4, Athlon 64 o "
            L"posterior) y el de este equipo no las tiene.");
  EXPECT_EQ(messages.shown[0].caption, L"trasvidora");
}

}  // namespace
