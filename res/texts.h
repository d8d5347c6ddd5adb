// res/texts.h
//
// The one table of constant texts of both programs: the product name, message box texts, status
// and display phrases, file names and settings paths. Every text a person sees comes from here,
// so that wording is reviewed in one place. Texts are UTF-8 (plain ASCII in practice).
#pragma once

namespace velotune::text {

// ---- Product --------------------------------------------------------------------------------
inline constexpr char kProductName[] = "Velotune";
inline constexpr char kUpdaterName[] = "Velosync";
inline constexpr char kMakerName[] = "Quillon Global";

// ---- Files ----------------------------------------------------------------------------------
inline constexpr char kDatabaseFile[] = "velostn.dat";
inline constexpr char kPlayerProgram[] = "velotune";
inline constexpr char kUpdaterProgram[] = "velosync";

// ---- Settings store -------------------------------------------------------------------------
// The installation identifier's value name in the root key; the updater reads it too.
inline constexpr char kUidValueName[] = "Velotune UID";
// The start-up entry: $XDG_CONFIG_HOME/autostart/<id>.desktop.
inline constexpr char kStartupEntryId[] = "velotune";

// ---- Station database -----------------------------------------------------------------------
inline constexpr char kInsufficientMemory[] = "Insufficient memory";
inline constexpr char kInsufficientMemoryCapital[] = "Insufficient Memory";
inline constexpr char kFailedToOpenRecordset[] = "Failed to open database recordset";

}  // namespace velotune::text
