#pragma once

// The program's fixed Spanish texts.

namespace texts {

inline constexpr wchar_t kWindowTitle[] = L"Cambia remesa SEPA a anticipos de cobro";
inline constexpr wchar_t kListHeading[] = L"Selecci\u00f3n de Remesa";
inline constexpr wchar_t kCredit[] = L"Velmor Soft, S.L.";
inline constexpr wchar_t kChange[] = L"CAMBIAR";
inline constexpr wchar_t kExit[] = L"SALIR";

// Caption of every message box.
inline constexpr wchar_t kMessageCaption[] = L"trasvidora";

inline constexpr wchar_t kNoRemittances[] = L"No hay remesas para cambiar";
inline constexpr wchar_t kRemittanceChanged[] = L"Remesa cambiada";
inline constexpr wchar_t kCannotChangePrefix[] = L"No se puede cambiar el prefijo";
inline constexpr wchar_t kNeedsSse2[] =
    L"trasvidora necesita un procesador con instrucciones SSE2 (Pentium 4, Athlon 64 o "
    L"posterior) y el de este equipo no las tiene.";

}  // namespace texts
