#pragma once
// A text field for a folder path with a browse button that opens the folder
// browser. The browser starts at the field's folder, or at StartFolder while
// the field is empty.

#include "app/BrowseEdit.h"

class TFolderEdit : public TBrowseEdit {
  Q_OBJECT

 public:
  explicit TFolderEdit(QWidget* parent = nullptr);

  QString Folder() const;
  void SetFolder(const QString& Value);
  QString StartFolder() const { return FStartFolder; }
  void SetStartFolder(const QString& Value) { FStartFolder = Value; }
  // The folder the browser opens at.
  QString BrowseFolder() const;

 signals:
  void FolderChanged(const QString& Folder);

 protected:
  void Browse() override;

 private:
  QString FStartFolder;
};
