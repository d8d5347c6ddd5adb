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
// The installed desktop entry's id (share/applications/<id>.desktop, cmake/VelotuneInstall.cmake):
// the player gives it to Qt so that the desktop ties its windows to the entry and its icon.
inline constexpr char kDesktopEntryId[] = "net.velotune.Velotune";
// The file `cmake --install` puts in the program folder: the folder is an installation, whose
// files the programs never write, even where they could (platform/appdirs).
inline constexpr char kInstallationMarkerFile[] = "installed";
inline constexpr char kUpdaterProgram[] = "velosync";
// The update: the new edition as it is unpacked into the temporary folder, the package as it is
// kept beside the station database, and the names the downloaded copy may have in the cache.
inline constexpr char kNewDatabaseFile[] = "newfm.dat";
inline constexpr char kPackageFile[] = "vexadb.exe";
inline constexpr char kPackagePattern[] = "vexadb*.exe";
// The update server's pages, below its host.
inline constexpr char kCheckPagePath[] = "/vexadb/update.html";
inline constexpr char kUsageHitPath[] = "/vexadb/velosync.shtml";

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
// Followed by the file's path; the file is left as it is for the user.
inline constexpr char kDatabaseDamaged[] = "The station database is damaged or cannot be read: ";

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

// ---- Engine player (tools/velotune-play) -----------------------------------------------------
inline constexpr char kPlayerToolDescription[] =
    "Plays or records one URL or file through a playback engine and prints each playback status "
    "as it arrives.";
inline constexpr char kPlayerToolUrlArgument[] = "The URL or file to play.";
inline constexpr char kPlayerToolRealOption[] =
    "Play through the RealSystem engine instead of the Windows Media engine.";
inline constexpr char kPlayerToolRecordOption[] = "Record what plays into the .wma <file>.";
inline constexpr char kPlayerToolSecondsOption[] =
    "Stop after <seconds> (default: play to the end).";
inline constexpr char kPlayerToolVolumeOption[] = "Volume level <level>, 0 to 100 (default 100).";
inline constexpr char kPlayerToolUsageError[] = "Give exactly one URL or file to play.";
inline constexpr char kPlayerToolBadValue[] = "velotune-play: \"%1\" is not a valid %2.";
inline constexpr char kPlayerToolRealNoRecording[] =
    "velotune-play: the RealSystem engine cannot record.";
inline constexpr char kPlayerToolInitFailed[] =
    "velotune-play: the media runtime failed to start (%1).";
inline constexpr char kPlayerToolStartFailed[] = "velotune-play: cannot play %1 (result %2).";
inline constexpr char kPlayerToolStartFailedWhy[] =
    "velotune-play: cannot play %1: %2 (result %3).";
inline constexpr char kPlayerToolEndedBeforePlaying[] = "velotune-play: %1 ended before it played.";
inline constexpr char kPlayerToolStatus[] = "status %1 %2";
inline constexpr char kPlayerToolStatusClosed[] = "closed";
inline constexpr char kPlayerToolStatusLive[] = "playing (network source)";
inline constexpr char kPlayerToolStatusFile[] = "playing (local file)";
inline constexpr char kPlayerToolStatusStopped[] = "stopped";
inline constexpr char kPlayerToolStatusBuffering[] = "buffering";
inline constexpr char kPlayerToolStatusReconnecting[] = "reconnecting";
inline constexpr char kPlayerToolRecordingFailed[] = "velotune-play: the recording into %1 failed: %2.";
// ---- RealSystem engine library (platform/rmaengine) ---------------------------------------------
// Its file name in the folder the settings name, and the texts of the errors it reports.
inline constexpr char kRealEngineLibrary[] = "librmaengine.so";
inline constexpr char kRmaErrorNotFound[] = "The file or address was not found";
inline constexpr char kRmaErrorAccessDenied[] = "Access to the file or address was refused";
inline constexpr char kRmaErrorConnectionRefused[] = "The server refused the connection";
inline constexpr char kRmaErrorTimedOut[] = "The server did not answer in time";
inline constexpr char kRmaErrorUnreachable[] = "The server cannot be reached";
inline constexpr char kRmaErrorServer[] = "The server answered with an error";
inline constexpr char kRmaErrorInvalidData[] = "The data cannot be played";
inline constexpr char kRmaErrorNoCodec[] = "No decoder is available for this audio";
inline constexpr char kRmaErrorOutOfMemory[] = "Out of memory";
inline constexpr char kRmaErrorSoundDevice[] = "The sound device cannot be used";
inline constexpr char kRmaErrorNoAudio[] = "The presentation has no sound";
inline constexpr char kRmaErrorNotAudio[] = "The source is not an audio stream that can be played";
inline constexpr char kRmaErrorTls[] = "The server's certificate could not be verified (TLS)";
inline constexpr char kRmaErrorNotAFile[] = "Not a regular file (a pipe, device or folder)";
inline constexpr char kRmaErrorStalled[] = "The server stopped sending";

// Reasons the media runtime gives for a failure (platform/wmruntime, WmResultText).
inline constexpr char kMediaErrorNotAudio[] = "not an audio stream or file that can be played";
inline constexpr char kMediaErrorTls[] = "the server's certificate could not be verified (TLS)";
inline constexpr char kMediaErrorNotAFile[] = "not a regular file";
inline constexpr char kMediaErrorStalled[] = "the server stopped sending (read timeout)";
inline constexpr char kMediaErrorNoCodec[] = "no decoder for its audio";
inline constexpr char kMediaErrorHttp[] = "the server refused the request (HTTP error)";
inline constexpr char kMediaErrorCancelled[] = "cancelled";
inline constexpr char kMediaErrorOutOfMemory[] = "out of memory";
inline constexpr char kMediaErrorNotFound[] = "not found";
inline constexpr char kMediaErrorAccessDenied[] = "access denied";
inline constexpr char kMediaErrorCode[] = "error 0x%08x";

// ---- RealSystem playback engine (playback/)
// ------------------------------------------------------ "Failed to load the " + library path +
// kRealLoadFailedTail.
inline constexpr char kRealLoadFailedHead[] = "Failed to load the ";
inline constexpr char kRealLoadFailedTail[] =
    " Library\n"
    "Please re-install Real Player.\nOr Velotune will not be able to stream/play from "
    "stations/files playing Real Format.";
// The error sink's line on the standard error stream, and its stand-ins for missing texts.
inline constexpr char kRealErrorReport[] = "Report(%d, 0x%x, \"%s\", %ld, \"%s\", \"%s\")\n";
inline constexpr char kRealErrorNull[] = "(NULL)";
inline constexpr char kRealErrorUnknown[] = "(unknown error)";
// The authentication manager's console prompts.
inline constexpr char kRealAuthNeeded[] = "Authorization needed for this content.\n";
inline constexpr char kRealAuthUser[] = "Username: ";
inline constexpr char kRealAuthPassword[] = "Password: ";
// ---- Package maker (tools/velosync-pack) ----------------------------------------------------
inline constexpr char kPackerDescription[] =
    "Publishes an edition of the station database: builds newfm.dat from the station list (CSV), "
    "wraps it as the self-extracting package and writes the check page vexadb/update.html.";
inline constexpr char kPackerOutputOption[] =
    "Write the edition into <folder>, laid out as the update server's document root.";
inline constexpr char kPackerEditionOption[] = "Edition number of the station data (required).";
inline constexpr char kPackerPathOption[] = "Where the package lies below the root (default %1).";
inline constexpr char kPackerDefaultPath[] = "vexadb/vexadb.exe";
inline constexpr char kPackerUsageError[] =
    "Give a CSV file, --edition <number> and --output <folder>.";
inline constexpr char kPackerFailed[] = "velosync-pack: %1";

// ---- Updater (velosync) ---------------------------------------------------------------------
inline constexpr char kUpdaterDialogTitle[] = "Velotune Database Update";
inline constexpr char kStartUpdate[] = "Start Update";
inline constexpr char kCancelUpdate[] = "Cancel Update";
inline constexpr char kCloseUpdates[] = "Close Updates";
inline constexpr char kStatusCaption[] = "Status:";
inline constexpr char kUpdaterIntro[] =
    "You have selected to update the station database for Velotune.\nThe update will connect to "
    "our server, check for any newer versions and if found, it will be updated to your computer.";
inline constexpr char kUpdaterWarning[] =
    "The update will close off Velotune when updating the database. \nIf you wish to proceed "
    "with the update, click on Start Update.\nOtherwise click on Cancel Update to return to "
    "Velotune.";
inline constexpr char kQuitUpdateQuestion[] =
    "Database update is still in progress.\nIf you quit now, the database will not be "
    "updated\n\nDo you want to Quit?";
inline constexpr char kUpdaterRegisterFailed[] =
    "Failed to Register Application - Velotune DB Update";

// Status texts, in the order a full update shows them. The error texts are joined from a first
// sentence (ending in a blank) and a shared second one.
inline constexpr char kStatusIdling[] = "Idling";
inline constexpr char kStatusReady[] = "Ready";
inline constexpr char kStatusStarting[] = "Starting Update Sequence";
inline constexpr char kStatusChecking[] = "Checking for Updates";
inline constexpr char kStatusCheckConnectionRetry[] =
    "Connection error, Trying to Check for Updates again";
inline constexpr char kStatusCheckProxyRetry[] = "Proxy error, Trying to Check for Updates again";
inline constexpr char kCheckErrorFirst[] = "ERROR: Unable to Check for Updates. ";
inline constexpr char kConnectionAdvice[] = "Please Check your Connection or Try Again Later.";
inline constexpr char kStatusAlreadyLatest[] = "Database is Already Latest, No Updates Required!";
inline constexpr char kStatusUpdatesAvailable[] = "Updates Available, Starting Download Sequence";
inline constexpr char kStatusInitializingDownload[] = "Initializing Database Download";
inline constexpr char kStatusDownloading[] = "Downloading Database";
inline constexpr char kStatusDownloadConnectionRetry[] =
    "Connection error, Trying to Download Database again";
inline constexpr char kStatusDownloadProxyRetry[] = "Proxy error, Trying to Download Database again";
inline constexpr char kDownloadErrorFirst[] = "ERROR: Unable to Download Database. ";
// Why the check or the download failed (shown in a message box with the error status): the
// frame, then one reason; %1 is the server's host name.
inline constexpr char kCheckFailedBecause[] = "The update check failed: ";
inline constexpr char kDownloadFailedBecause[] = "The new station database could not be downloaded: ";
inline constexpr char kNetHostNotFound[] = "the server %1 could not be found (host not found).";
inline constexpr char kNetRefused[] =
    "the server %1 refused the connection or cannot be reached (connection refused).";
inline constexpr char kNetTimedOut[] = "the server %1 did not answer in time (timed out).";
inline constexpr char kNetHttpStatus[] = "the server %1 answered with HTTP status %2.";
inline constexpr char kNetTls[] = "the certificate of the server %1 could not be verified (TLS).";
inline constexpr char kNetBroken[] = "the connection to the server %1 broke off.";
inline constexpr char kNetBadAnswer[] = "the answer of the server %1 is not usable HTTP.";
inline constexpr char kNetNoProxy[] = "no proxy is set up for the server %1.";
inline constexpr char kNetBadAddress[] = "the address %1 is not valid.";
inline constexpr char kNetOther[] = "the request to the server %1 failed (%2).";
inline constexpr char kCheckPageIncomplete[] =
    "the update page of the server %1 names no edition or no package.";
inline constexpr char kPackageTooLarge[] = "the package is larger than %1 MiB.";
inline constexpr char kPackageNotWritten[] = "%1 could not be written (%2).";
inline constexpr char kFolderNotMade[] = "the folder cannot be made";
inline constexpr char kPackageNotNamed[] = "the downloaded file is not named like a package (%1).";
inline constexpr char kStatusDownloadCompleted[] =
    "Database Download Completed, Starting Merge Sequence";
inline constexpr char kExtractError[] = "ERROR: Unable to Extract Database. Please Try Again.";
inline constexpr char kMergeErrorFirst[] = "ERROR: Unable to Merge the Database. ";
inline constexpr char kPlayerOpenAdvice[] = "If Velotune is opened, Please Close it Manually.";
inline constexpr char kCopyErrorFirst[] = "ERROR: Unable to Copy the new Database. ";
inline constexpr char kStatusCompleted[] = "Database Update Completed. You may now start Velotune";
// Why a new edition or the merged result was refused (shown in a message box before the error
// status): kEditionRefused, then one reason.
inline constexpr char kEditionRefused[] = "The new station database was not installed: ";
inline constexpr char kMergedRefused[] =
    "The station database with your playlist carried over was not installed: ";
inline constexpr char kReasonUnreadable[] = "it cannot be read as a station database";
inline constexpr char kReasonDamaged[] = "it is damaged";
inline constexpr char kReasonMissingTable[] = "it has no table ";
inline constexpr char kReasonMissingColumn[] = "it has no column ";
inline constexpr char kReasonNoStations[] = "it holds no stations.";
inline constexpr char kReasonNoEdition[] = "it holds no edition number.";
inline constexpr char kReasonEditionIs[] = "it is edition ";
inline constexpr char kReasonNotAnnounced[] = ", but the update server announced edition ";
inline constexpr char kReasonNotNewer[] = ", which is not newer than the installed edition ";
inline constexpr char kReasonPlaylistLost[] = "your playlist did not carry over into it.";

// The usage hit's agent text: user id + "/" + kUsageHitTag + versions + " [" + system + "]".
inline constexpr char kUsageHitTag[] = "VSYN:";

// ---- Playback controller --------------------------------------------------------------------
// Display line texts; each is followed by kDisplayPad so that the scrolling text separates.
inline constexpr char kDisplayPad[] = "                    ";
inline constexpr char kTuningTo[] = "Tuning to ";
inline constexpr char kPleaseWait[] = ", please wait...";
inline constexpr char kOpening[] = "Opening ";
inline constexpr char kForRecordingPleaseWait[] = " for Recording, please wait...";
inline constexpr char kFailedToConnectToStation[] = "Failed to Connect to Station ";
inline constexpr char kFailedToPlayback[] = "Failed to Playback ";
// Message boxes.
inline constexpr char kUnsupportedExtension[] = "Unable to playback files with extension: ";
inline constexpr char kNotARegularFile[] =
    "%1\nis not a regular file (a pipe, device or folder) and cannot be played.";
inline constexpr char kUseSupportedExtensions[] =
    "Please use \".wma\", \".ra\", \".mp3\", \".ogg\", \".oga\", \".opus\", \".flac\", \".m4a\", "
    "\".aac\" and \".wav\" extensions only.";
inline constexpr char kMediaRuntimeMissing[] =
    "Error in loading the media components.\nPlease ensure the FFmpeg libraries (libavformat, "
    "libavcodec) are installed.";
inline constexpr char kMediaRuntimeDownloadPrefix[] = "You can go to ";
inline constexpr char kMediaRuntimeDownloadSuffix[] = " for the latest version.";
inline constexpr char kMediaRuntimeDownloadPage[] = "https://ffmpeg.org/download.html";
inline constexpr char kRealCannotRecord[] = "Stations playing Real format cannot be recorded yet.";
// Followed by the settings file's path.
// The operating-system name in the User-Agent texts of the usage hit and the usage report: the
// name given to a platform the agent format does not list.
inline constexpr char kUnknownOs[] = "Unknown OS";
inline constexpr char kRegistryWriteFailed[] = "Failed to write the settings file ";
inline constexpr char kSettingsReadFailed[] = "Failed to read the settings file ";
inline constexpr char kFailedToLoad[] = "Failed to load ";
inline constexpr char kTrayIconSuffix[] = " tray icon";
inline constexpr char kFailedToSave[] = "Failed to save ";
inline constexpr char kOptionsSuffix[] = " options";
// The main window's Open button tip, by current list.
inline constexpr char kOpenPlaylistTip[] = "Open Playlist";
inline constexpr char kOpenFilelistTip[] = "Open Filelist";
// File dialogs (the classic filter form: description|patterns|...||).
inline constexpr char kRecordFilter[] = "Windows Media Audio (*.wma)|*.wma||";
inline constexpr char kRecordExtension[] = "wma";
inline constexpr char kAddFileFilter[] =
    "Audio Files (*.wma, *.ra, *.mp3, *.ogg, *.oga, *.opus, *.flac, *.m4a, *.aac, *.wav)|"
    "*.wma; *.ra; *.mp3; *.ogg; *.oga; *.opus; *.flac; *.m4a; *.aac; *.wav|"
    "Recorded Formats (*.wma and *.ra)|*.wma; *.ra|Windows Media Audio (*.wma)|*.wma|"
    "Real Audio (*.ra*)|*.ra*||";
inline constexpr char kAddFileDefault[] = "*.wma";
// Stored file list entries: file name + separator + full path.
inline constexpr char kFileEntrySeparator[] = "::";
// The updater's command-line switch, followed by the database edition.
inline constexpr char kUpdaterVersionSwitch[] = "-v:";

// ---- Application shell ----------------------------------------------------------------------
inline constexpr char kRegisterFailed[] = "Failed to Register Application - Velotune";

// ---- Tray icon ------------------------------------------------------------------------------
inline constexpr char kTrayIconTip[] = "Velotune";

// ---- Main window ----------------------------------------------------------------------------
inline constexpr char kMainWindowTitle[] = "Velotune";
// Display line texts (each followed by kDisplayPad).
inline constexpr char kIdleDisplay[] = "Velotune - 100% Internet Radio";
inline constexpr char kYouArePlaying[] = "You are playing ";
inline constexpr char kYouAreRecording[] = "You are recording ";
inline constexpr char kYouAreTunedTo[] = "You are tuned to ";
inline constexpr char kSelectedChangeFiles[] = " selected, press Play to change files.";
inline constexpr char kSelectedStartPlayback[] = " selected, press Play to start playback.";
inline constexpr char kSelectedSwitchStation[] = " selected, press Play to switch station.";
inline constexpr char kSelectedTuneIn[] = " selected, press Play to tune-in.";
inline constexpr char kPlaybackPaused[] = "Playback has been paused, press Play to continue.";
inline constexpr char kBuffering[] = "Buffering ";
inline constexpr char kReconnecting[] = "Reconnecting to ";
inline constexpr char kRecordingFailed[] = "The recording into %1 failed: %2.";
inline constexpr char kRecordingOntoSource[] = "it is the file being played";
// Message box of the Info button while the file list is the current list.
inline constexpr char kNoFileInformation[] = "No Infomation Available on this File!";
// Button tool tips (the Open button's two are kOpenPlaylistTip and kOpenFilelistTip).
inline constexpr char kTipPresetOne[] = "Preset One";
inline constexpr char kTipPresetTwo[] = "Preset Two";
inline constexpr char kTipPresetThree[] = "Preset Three";
inline constexpr char kTipPresetFour[] = "Preset Four";
inline constexpr char kTipPresetFive[] = "Preset Five";
inline constexpr char kTipPresetSix[] = "Preset Six";
inline constexpr char kTipPlay[] = "Play";
inline constexpr char kTipStop[] = "Stop";
inline constexpr char kTipRecord[] = "Record";
inline constexpr char kTipInfo[] = "Radio Info";
inline constexpr char kTipOpenMenu[] = "Open...";
inline constexpr char kTipPause[] = "Pause";
inline constexpr char kTipPrevious[] = "Previous Station";
inline constexpr char kTipNext[] = "Next Station";
inline constexpr char kTipGoToPlaying[] = "Go to Playing Station";
inline constexpr char kTipMenu[] = "Menu";
inline constexpr char kTipClose[] = "Close Velotune";
inline constexpr char kTipMinimize[] = "Minimize";
inline constexpr char kTipMinibar[] = "Minibar";
inline constexpr char kTipMainView[] = "Main View";

// ---- Menus, options and About dialogs -------------------------------------------------------
// The system menu's items, in menu order.
inline constexpr char kMenuPlay[] = "Play";
inline constexpr char kMenuStop[] = "Stop";
inline constexpr char kMenuStationInfo[] = "Station Info";
inline constexpr char kMenuNextEntry[] = "Next Station/File";
inline constexpr char kMenuPreviousEntry[] = "Prev Station/File";
inline constexpr char kMenuShowFilelist[] = "Show Filelist";
inline constexpr char kMenuShowPlaylist[] = "Show Playlist";
inline constexpr char kMenuSwitchToMinibar[] = "Switch to Minibar";
inline constexpr char kMenuAlwaysOnTop[] = "Always on top";
inline constexpr char kMenuOptions[] = "Velotune Options";
inline constexpr char kMenuUpdateDatabase[] = "Update Station Database";
inline constexpr char kMenuVisitWebsite[] = "Visit Velotune Website";
inline constexpr char kMenuOnlineHelp[] = "Online Help";
inline constexpr char kMenuAbout[] = "About";
inline constexpr char kMenuExit[] = "Exit";
// The open menu's items.
inline constexpr char kMenuOpenPlaylist[] = "Open Playlist";
inline constexpr char kMenuOpenFilelist[] = "Open Filelist";
inline constexpr char kMenuCancel[] = "Cancel";
// "Update Station Database" when the updater did not start.
inline constexpr char kUpdaterNotStarted[] =
    "Unable to start Updates Program.\nMake sure the file velosync is installed beside velotune.";
// The quick-start page, below the program directory.
inline constexpr char kHelpFolder[] = "Help";
inline constexpr char kHelpFile[] = "qstart.html";
// Pages of the maker's web server.
inline constexpr char kProductPagePath[] = "/products/velostn/";
inline constexpr char kSupportPagePath[] = "/support/";
// The Options dialog.
inline constexpr char kOptionsTitle[] = "Velotune Options";
inline constexpr char kOptionsProgramGroup[] = "Program Settings";
inline constexpr char kOptionsWindowsGroup[] = "Desktop Related";
inline constexpr char kOptionAlwaysOnTop[] = "Always have Velotune on top";
inline constexpr char kOptionStartWithSession[] = "Start Velotune when I log in";
inline constexpr char kOptionDisableTrayIcon[] = "Disable Velotune Tray Icon";
inline constexpr char kOptionReconnect[] = "Reconnect when a live stream drops";
inline constexpr char kOptionShowSongTitles[] = "Show song titles";
inline constexpr char kButtonOk[] = "OK";
inline constexpr char kButtonCancel[] = "Cancel";
// The About dialog.
inline constexpr char kAboutTitle[] = "About";
inline constexpr char kAboutProductLine[] = "Velotune 2.1";
inline constexpr char kAboutDecoding[] = "Streams and files are decoded with FFmpeg (ffmpeg.org).";
inline constexpr char kAboutSound[] =
    "Sound is played through ALSA, the Advanced Linux Sound Architecture.";
inline constexpr char kAboutToolkit[] = "Windows and controls by the Qt toolkit (qt.io).";
inline constexpr char kAboutSupportLink[] = "Velotune support on the web";

// ---- Usage report ---------------------------------------------------------------------------
// The pages of the maker's web server that receive the install hit and the usage report.
inline constexpr char kInstallHitPath[] = "/vexahits.shtml";
inline constexpr char kUsageReportPath[] = "/vexause.shtml";
// What the player reports itself as: product name, version and distribution channel.
inline constexpr char kReportProductName[] = "Velotune";
inline constexpr char kReportVersion[] = "2.1";
// Distribution-channel tags by index; 5 to 7 name the maker's own site.
inline constexpr const char* kChannelTags[] = {
    "(adds)",          // 0
    "(aol)",           // 1
    "(bestzips)",      // 2
    "(cis)",           // 3
    "(fidonet)",       // 4
    "(velotune.com)",  // 5
    "(velotune.net)",  // 6
    "(velotune.org)",  // 7
    "(igcd)",          // 8
    "(oem)",           // 9
    "(regversion)",    // 10
    "(simtel)",        // 11
    "(tucows)",        // 12
    "(winsite)",       // 13
    "(zdnet)",         // 14
    "(beta)",          // 15
    "(mcafee)",        // 16
};

// ---- Station management windows -------------------------------------------------------------
// Station finder.
inline constexpr char kFinderTitle[] = "Get your favorite radio stations";
inline constexpr char kFinderGroup[] = "Find your Radio Stations or add your own";
inline constexpr char kFinderPrompt[] =
    "Select how you wish to search for radio stations,\neither by Country or Genre:";
inline constexpr char kFinderRefine[] =
    "You can select the State and/or City to refine your search:";
inline constexpr char kFinderCountry[] = "Country";
inline constexpr char kFinderGenre[] = "Genre";
inline constexpr char kFinderName[] = "Name";
inline constexpr char kFinderNamePlaceholder[] = "Type part of the station's name";
inline constexpr char kFinderAddToPlaylist[] = "Add to Playlist";
inline constexpr char kFinderRemoveFromPlaylist[] = "Remove from Playlist";
inline constexpr char kFinderTestPlay[] = "Test Play";
inline constexpr char kFinderConnecting[] = "Connecting...";
inline constexpr char kFinderBuffering[] = "Buffering...";
inline constexpr char kFinderStopPlay[] = "Stop Play";
inline constexpr char kFinderFailedToPlay[] = "Failed to Play";
inline constexpr char kFinderAddNewStation[] = "Add new Station";
inline constexpr char kFinderEditStation[] = "Edit this Station";
inline constexpr char kFinderDeleteStation[] = "Delete this Station";
inline constexpr char kFinderClose[] = "Close";
inline constexpr char kFinderFetching[] = "Fetching Station...Please wait...";
// The prompts at the head of the finder's lists; the leading blank sorts them first.
inline constexpr char kSelectGenre[] = " Select a Genre here";
inline constexpr char kSelectCountry[] = " Select a Country here";
inline constexpr char kSelectState[] = " Select a State here";
inline constexpr char kSelectCity[] = " Select a City here";
// The finder's result columns.
inline constexpr char kFinderColumnId[] = "ID";
inline constexpr char kFinderColumnName[] = "Name.";
inline constexpr char kFinderColumnFrequency[] = "Freq.";
inline constexpr char kFinderColumnGenre[] = "Genre";
inline constexpr char kFinderColumnCountry[] = "Country";
inline constexpr char kFinderColumnState[] = "State";
inline constexpr char kFinderColumnCity[] = "City";
inline constexpr char kFinderColumnOnPlaylist[] = "On Playlist";
inline constexpr char kFinderOnPlaylistYes[] = "Yes";
// The finder's messages.
inline constexpr char kPlaylistChangeWhilePlaying[] =
    "Unable to change Playlist status, station is currently playing.";
inline constexpr char kConfirmDeleteStation[] =
    "Confirm to delete Radio Station,\nthis cannot be undone!";
inline constexpr char kDeleteWhilePlaying[] = "Unable to delete, station is currently playing";
inline constexpr char kTestPlayWhilePlaying[] =
    "Unable to Test Play, already playing another station.";
inline constexpr char kFailedToConnect[] = "Failed to connect to Station";

// Station editor.
inline constexpr char kEditorAddTitle[] = "Add a Station";
inline constexpr char kEditorEditTitle[] = "Edit the Station";
inline constexpr char kEditorGroup[] = "Station Details";
inline constexpr char kEditorSave[] = "Save";
inline constexpr char kEditorCancel[] = "Cancel";
inline constexpr char kEditorStationName[] = "Station Name: (Req)";
inline constexpr char kEditorFrequency[] = "Frequency:";
inline constexpr char kEditorGenreOne[] = "Genre 1: (Req)";
inline constexpr char kEditorGenreTwo[] = "Genre 2: ";
inline constexpr char kEditorGenreThree[] = "Genre 3";
inline constexpr char kEditorStationUrl[] = "Station URL";
inline constexpr char kEditorStreamUrl[] = "Streaming URL (Req)";
inline constexpr char kEditorStreamFormat[] = "Stream Format (Req)";
inline constexpr char kEditorLanguageOne[] = "Language One (Req)";
inline constexpr char kEditorLanguageTwo[] = "Language Two";
inline constexpr char kEditorCountry[] = "Country (Req)";
inline constexpr char kEditorState[] = "State";
inline constexpr char kEditorCity[] = "City";
inline constexpr char kEditorComments[] = "User Comments";
// The entries at the head of the editor's lists; the leading blank sorts them first.
inline constexpr char kNoneDefined[] = " None Defined";
inline constexpr char kCountryNotFound[] = " Not Found";
inline constexpr char kFormatWmp[] = "WMP";
inline constexpr char kFormatReal[] = "Real";
// The editor's questions.
inline constexpr char kConfirmAddStation[] = "Would you like to add this Radio Station?";
inline constexpr char kConfirmStreamUrlChange[] =
    "You have made changes to the Streaming URL.\n"
    "If the URL is incorrect, it may render the station not usable.\n"
    "Leave the Streaming URL field empty for no modifications.\n\n"
    "Do you wish to save the changes?";
inline constexpr char kConfirmSaveChanges[] = "Save the changes made before exit?";

// List windows (playlist and file list): button tips and columns.
inline constexpr char kListCloseTip[] = "Close Playlist";
inline constexpr char kListAddTip[] = "Add Station...";
inline constexpr char kListEditTip[] = "Edit this Station";
inline constexpr char kListRemoveTip[] = "Remove this Station";
inline constexpr char kListUpTip[] = "Move Station up the list";
inline constexpr char kListDownTip[] = "Move Station down the list";
inline constexpr char kListColumnNumber[] = "ID#";
inline constexpr char kPlaylistColumnName[] = "Name";
inline constexpr char kPlaylistColumnFrequency[] = "Freq";
inline constexpr char kPlaylistColumnGenre[] = "Genre";
inline constexpr char kFileListColumnName[] = "FileName";
inline constexpr char kFileListColumnPath[] = "FilePath";

}  // namespace velotune::text
