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
inline constexpr char kDatabaseNotOpen[] = "The station database is not open";

// ---- Station database builder (tools/velostn-build) ------------------------------------------
inline constexpr char kBuilderDescription[] =
    "Builds the station database file from the station list (CSV), or summarises a database.";
inline constexpr char kBuilderCsvArgument[] = "The station list to build from.";
inline constexpr char kBuilderOutputOption[] = "Write the database to <file>.";
inline constexpr char kBuilderEditionOption[] = "Edition number of the station data (default %1).";
inline constexpr char kBuilderPresetOption[] =
    "Put the station of that exact name on the playlist; repeat for each preset, in order "
    "(default: %1).";
inline constexpr char kBuilderSummaryOption[] = "Print what the database <file> holds.";
inline constexpr char kBuilderUsageError[] =
    "Give a CSV file and --output <file>, or --summary <file>.";
inline constexpr char kBuilderFailed[] = "velostn-build: %1";
inline constexpr char kSummaryEdition[] = "Edition:   %1";
inline constexpr char kSummaryStations[] = "Stations:  %1";
inline constexpr char kSummaryCountries[] = "Countries: %1";
inline constexpr char kSummaryGenres[] = "Genres:    %1";
inline constexpr char kSummaryPlaylist[] = "Playlist:";
inline constexpr char kSummaryPlaylistEntry[] = "  %1. %2 (%3)";

// ---- Skin controls --------------------------------------------------------------------------
inline constexpr char kNoMailProgram[] = "We are unable to locate your default e-mail program.";
inline constexpr char kNoBrowser[] = "We are unable to locate your default browser.";

}  // namespace velotune::text
