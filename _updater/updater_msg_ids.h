// The updater's texts in the shared catalogue (200 to 255), named. Texts that end in a
// blank or start with ", " are the start or the middle of a line the caller completes.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kMsgActionLog = 200;
inline constexpr std::uint32_t kMsgPressCheckVersion = 201;
inline constexpr std::uint32_t kMsgCheckingVersion = 202;
inline constexpr std::uint32_t kMsgDownloadFailed = 203;
inline constexpr std::uint32_t kMsgPleaseTryAgain = 204;
inline constexpr std::uint32_t kMsgNoNewFiles = 205;
inline constexpr std::uint32_t kMsgClientUpToDate = 206;
inline constexpr std::uint32_t kMsgNewFilesFound = 207;  // then the count
inline constexpr std::uint32_t kMsgOverallLength = 208;  // then the size and 209/210/211
inline constexpr std::uint32_t kMsgUnitBytes = 209;
inline constexpr std::uint32_t kMsgUnitKBytes = 210;
inline constexpr std::uint32_t kMsgUnitMBytes = 211;
inline constexpr std::uint32_t kMsgReceivingFile = 212;        // then the name
inline constexpr std::uint32_t kMsgUnexpectedException = 213;  // then its text
inline constexpr std::uint32_t kMsgInstallingFiles = 214;
inline constexpr std::uint32_t kMsgFileAlreadyThere = 215;
inline constexpr std::uint32_t kMsgFileReceived = 216;
inline constexpr std::uint32_t kMsgStartGame = 217;
inline constexpr std::uint32_t kMsgUpdateServer = 218;
inline constexpr std::uint32_t kMsgUpdateFinishedStartGame = 219;
inline constexpr std::uint32_t kMsgNoVersionIndex = 220;
inline constexpr std::uint32_t kMsgVisitWebsites = 221;
inline constexpr std::uint32_t kMsgWrongUpdaterVersion = 222;
inline constexpr std::uint32_t kMsgDownloadActualUpdater = 223;
inline constexpr std::uint32_t kMsgCannotStartClient = 224;
inline constexpr std::uint32_t kMsgCheckVersion = 225;
inline constexpr std::uint32_t kMsgLoadAutomatically = 226;
inline constexpr std::uint32_t kMsgFileCorruptedRetry = 227;
inline constexpr std::uint32_t kMsgReceivingDocument = 228;
inline constexpr std::uint32_t kMsgDownloadFinished = 229;
inline constexpr std::uint32_t kMsgCannotRegisterVersion = 230;
inline constexpr std::uint32_t kMsgClientNewerThanFeed = 231;
inline constexpr std::uint32_t kMsgNoUpdateFiles = 232;
inline constexpr std::uint32_t kMsgBadVersionIndex = 233;
inline constexpr std::uint32_t kMsgDownloadingUpdater = 234;
inline constexpr std::uint32_t kMsgUpdaterDownloaded = 235;
inline constexpr std::uint32_t kMsgInstalledClientVersion = 236;
inline constexpr std::uint32_t kMsgUpdateSize = 237;
inline constexpr std::uint32_t kMsgUpdaterNotFound = 238;
inline constexpr std::uint32_t kMsgInformOnWebsites = 239;
inline constexpr std::uint32_t kMsgCancelled = 240;
inline constexpr std::uint32_t kMsgCannotCopyUpdater = 241;
inline constexpr std::uint32_t kMsgOptions = 242;
inline constexpr std::uint32_t kMsgConnectionFailed = 243;
inline constexpr std::uint32_t kMsgOptionsProgramMissing = 244;
inline constexpr std::uint32_t kMsgLoadingServerList = 245;
inline constexpr std::uint32_t kMsgServerListMissing = 246;
inline constexpr std::uint32_t kMsgServerMaintenance = 247;
inline constexpr std::uint32_t kMsgUpdateFinished = 248;
inline constexpr std::uint32_t kMsgReadPatchNotes = 249;
inline constexpr std::uint32_t kMsgPatchNotesFile = 250;
inline constexpr std::uint32_t kMsgClose = 251;
inline constexpr std::uint32_t kMsgDownloadAgainAnyway = 252;  // printf: the file's name
inline constexpr std::uint32_t kMsgFilesAndSize = 254;         // printf: count, size, unit
inline constexpr std::uint32_t kMsgClientTooOld = 253;
inline constexpr std::uint32_t kMsgUpdaterTooOld = 255;
