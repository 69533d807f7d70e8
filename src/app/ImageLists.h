#pragma once
// The pictures of the program: node images of the explorer tree, task images
// of the task list (one per status), the toolbar and menu images and the
// picture of the completion alert. They are drawn at start-up, so that the
// program carries no picture files and looks the same on every desktop.

#include <QIcon>
#include <QSize>
#include <vector>

class TImageList {
 public:
  explicit TImageList(QSize size = {16, 16}) : FSize(size) {}

  QSize Size() const { return FSize; }
  int Count() const { return int(FImages.size()); }
  void Add(const QIcon& image) { FImages.push_back(image); }
  // The image at Index; an empty icon outside the list (-1 means none).
  QIcon Icon(int Index) const;

 private:
  QSize FSize;
  std::vector<QIcon> FImages;
};

// 0 = converting node ("任务列表"), 1 = category node.
TImageList CreateExplorerImages();
// One per task status: running, paused, error, finished, waiting.
TImageList CreateTaskImages();
// 48×48: 0 add, 1 start, 2 pause, 3 stop, 4 options, 5 home page, 6 … 10
// spare, 11 bug report.
TImageList CreateToolbarImages();
// 32×32: 0 the picture of the completion alert.
TImageList CreateAlertImages();
