#pragma once
// The names of the four top-level items, which are at the same time the names
// of the top-level directories of a backup.

inline constexpr const wchar_t* kSettingsName = L"Settings";
inline constexpr const wchar_t* kCalibrationsName = L"Calibration Data (Tornik, Lumara, Camera)";
inline constexpr const wchar_t* kPatientIndexName = L"Patient Index";
inline constexpr const wchar_t* kPatientDataIndexName = L"Patient Data Index";
