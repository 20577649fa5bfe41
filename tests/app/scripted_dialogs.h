// The operator's answers, written down by the test before the command runs. A question the test did not expect
// fails the test and is answered "no", so a command can never wait for a person.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/windows/dialogs.h"

namespace vorl::test {

class ScriptedDialogs final : public Dialogs {
 public:
  ScriptedDialogs() { setDialogs(this); }
  ~ScriptedDialogs() override {
    setDialogs(nullptr);
    EXPECT_TRUE(confirmations_.empty() && afterImport_.empty() && files_.empty()) << "answers left unused";
  }

  void answerConfirmation(bool ok) { confirmations_.push_back(ok); }
  void answerAfterImport(int item) { afterImport_.push_back(item); }
  // The next folder or file chooser answers this (nullopt: cancelled).
  void answerFile(std::optional<std::filesystem::path> path) { files_.push_back(std::move(path)); }

  struct Confirmation {
    QString label;
    QStringList folders;
  };
  const std::vector<Confirmation>& confirmations() const noexcept { return asked_; }
  const QStringList& informed() const noexcept { return informed_; }

  bool confirmEmptying(const QString& label, const QStringList& folders) override {
    asked_.push_back({label, folders});
    if (confirmations_.empty()) {
      ADD_FAILURE() << "unexpected confirmation: " << label.toStdString();
      return false;
    }
    const bool ok = confirmations_.front();
    confirmations_.pop_front();
    return ok;
  }
  int askAfterImport() override {
    if (afterImport_.empty()) {
      ADD_FAILURE() << "unexpected question after the import";
      return kAfterImportGoOn;
    }
    const int item = afterImport_.front();
    afterImport_.pop_front();
    return item;
  }
  std::optional<std::filesystem::path> chooseFolder(const QString& prompt, const std::filesystem::path&) override {
    return nextFile(prompt);
  }
  std::optional<std::filesystem::path> chooseFileToSave(const QString& title, const QString&,
                                                       const std::filesystem::path&, const QString&,
                                                       const QString&) override {
    return nextFile(title);
  }
  std::optional<std::filesystem::path> chooseFileToOpen(const QString& title, const std::filesystem::path&,
                                                       const QString&) override {
    return nextFile(title);
  }
  void inform(const QString& title, const QString& text) override { informed_.push_back(title + ' ' + text); }

 private:
  std::optional<std::filesystem::path> nextFile(const QString& question) {
    if (files_.empty()) {
      ADD_FAILURE() << "unexpected file question: " << question.toStdString();
      return std::nullopt;
    }
    std::optional<std::filesystem::path> answer = files_.front();
    files_.pop_front();
    return answer;
  }

  std::deque<bool> confirmations_;
  std::deque<int> afterImport_;
  std::deque<std::optional<std::filesystem::path>> files_;
  std::vector<Confirmation> asked_;
  QStringList informed_;
};

}  // namespace vorl::test
