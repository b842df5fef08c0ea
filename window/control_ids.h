#pragma once

// Identifiers of the main window's child windows. They stay clear of IDOK and IDCANCEL, which the
// dialog manager sends for Enter and Esc when no push button has the focus.

inline constexpr int kCommand3Id = 103;  // "CAMBIAR"
inline constexpr int kFile1Id = 109;     // the remittance list
inline constexpr int kCommand4Id = 110;  // "SALIR"
