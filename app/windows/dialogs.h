// The questions the menu commands ask the operator, behind one interface so that tests answer them from a
// script and no test waits for a person.
//
// Every question is asked on the main thread while processing is off. The running application uses the Qt
// dialogs (`QtDialogs`); `setDialogs` puts another answerer in their place, and `dialogs()` is the one in use.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/core/mac_types.h"

namespace vorl {

// The buttons of the question asked after preferences were imported, by item number.
inline constexpr int kAfterImportQuit = 1;
inline constexpr int kAfterImportGoOn = 2;

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Before files are deleted: `label` names what is emptied ("PRINT JOBS FOLDER"), `folders` every folder whose
  // files go, in order. True only for the operator's OK.
  virtual bool confirmEmptying(const QString& label, const QStringList& folders) = 0;
  // After an import: kAfterImportQuit or kAfterImportGoOn.
  virtual int askAfterImport() = 0;
  // A folder to use, starting in `start`; nullopt when the operator cancelled.
  virtual std::optional<std::filesystem::path> chooseFolder(const QString& prompt,
                                                           const std::filesystem::path& start) = 0;
  // A file to write, in `folder` with `proposedName` offered; nullopt when cancelled.
  virtual std::optional<std::filesystem::path> chooseFileToSave(const QString& title, const QString& prompt,
                                                               const std::filesystem::path& folder,
                                                               const QString& proposedName, const QString& filter) = 0;
  // A file to write with its save-as type: `saveAsType` is the type offered first and, after OK, the one chosen
  // (the name's extension follows the choice). Answerers without a type choice ask `chooseFileToSave`.
  virtual std::optional<std::filesystem::path> chooseFileToSaveAs(const QString& title, const QString& prompt,
                                                                 const std::filesystem::path& folder,
                                                                 const QString& proposedName,
                                                                 std::int16_t& saveAsType) {
    static_cast<void>(saveAsType);
    return chooseFileToSave(title, prompt, folder, proposedName, QString());
  }
  // An existing file to read; nullopt when cancelled.
  virtual std::optional<std::filesystem::path> chooseFileToOpen(const QString& title,
                                                               const std::filesystem::path& folder,
                                                               const QString& filter) = 0;
  // A notice the operator closes.
  virtual void inform(const QString& title, const QString& text) = 0;
};

// The Qt dialogs, application-modal.
class QtDialogs final : public Dialogs {
 public:
  bool confirmEmptying(const QString& label, const QStringList& folders) override;
  int askAfterImport() override;
  std::optional<std::filesystem::path> chooseFolder(const QString& prompt, const std::filesystem::path& start) override;
  std::optional<std::filesystem::path> chooseFileToSave(const QString& title, const QString& prompt,
                                                       const std::filesystem::path& folder,
                                                       const QString& proposedName, const QString& filter) override;
  std::optional<std::filesystem::path> chooseFileToSaveAs(const QString& title, const QString& prompt,
                                                         const std::filesystem::path& folder,
                                                         const QString& proposedName,
                                                         std::int16_t& saveAsType) override;
  std::optional<std::filesystem::path> chooseFileToOpen(const QString& title, const std::filesystem::path& folder,
                                                       const QString& filter) override;
  void inform(const QString& title, const QString& text) override;
};

// The answerer in use; the Qt dialogs unless one was set.
Dialogs& dialogs();
// Null puts the Qt dialogs back. The caller keeps ownership.
void setDialogs(Dialogs* answerer) noexcept;

// The folder chooser of the preference panels: opens in the folder (vRefNum, dirID) with the prompt of that
// index. 1 when a folder was chosen, and the two values now name it; 0 when the operator cancelled or the
// answer is no folder, and both stay as they were. `unused` is kept for the callers' sake.
std::int16_t myNewChooseFolder(std::int16_t& vRefNum, std::int32_t& dirID, bool unused, std::int16_t promptIndex);
// The save dialog: prompt 40 and `title`, opening in the folder (spec.vRefNum, spec.parID), offering
// `defaultName`. For a file type other than 'TEXT' it offers the save-as types as well, starting with the current
// one and a name "Untitled" with its extension; the type chosen becomes the current save-as type. 0, with `spec`
// naming the file to write; -1 when the operator cancelled or chose a place no file specification can name.
OSErr MySaveFile(FSSpec& spec, const Str255& defaultName, OSType fileType, const Str255& title);
// The prompt texts of the folder and file questions, by index; a general one for an index without its own.
QString chooserPrompt(std::int16_t promptIndex);

}  // namespace vorl
