#pragma once
// A video filter the user adds to a conversion: it names itself, writes its
// fragment of the VideoFilters text, and opens its editor dialog. Only the
// joined text outlives the wizard; the objects are never stored.

#include <QString>
#include <cstdint>
#include <functional>

// A colour in 0x00BBGGRR order (system colours carry flags in the top byte).
using TColor = uint32_t;

enum TFilterDialogMode { fdNew, fdEdit };

// Filled in by the window layer for each filter kind: shows the kind's dialog
// modally, filled from filter for fdEdit and with the dialog's defaults for
// fdNew; on OK writes the dialog's values into filter and returns true.
template <class TFilter>
using TFilterDialogHook = std::function<bool(TFilter& filter, TFilterDialogMode mode)>;

class TAVFilter {
 public:
  TAVFilter() = default;
  TAVFilter(const TAVFilter&) = default;
  TAVFilter& operator=(const TAVFilter&) = default;
  virtual ~TAVFilter() = default;

  // The fragment for the filter chain.
  virtual void GetFilterString(QString& S) const = 0;
  // The display name, the item text in the wizard's filter list.
  virtual void GetFilterName(QString& S) const = 0;
  // Opens the dialog with its defaults; on OK takes its values and returns
  // true, otherwise leaves the filter as it was.
  virtual bool ShowNewDialog() = 0;
  // As ShowNewDialog, the dialog first filled with the filter's values.
  virtual bool ShowEditDialog() = 0;

  QString FilterString() const {
    QString s;
    GetFilterString(s);
    return s;
  }
  QString FilterName() const {
    QString s;
    GetFilterName(s);
    return s;
  }

 protected:
  // Runs hook on a copy so that a cancelled dialog changes nothing; without a
  // window layer there is no dialog and the answer is false.
  template <class TFilter>
  static bool RunDialog(const TFilterDialogHook<TFilter>& hook, TFilter& filter, TFilterDialogMode mode) {
    if (!hook) return false;
    TFilter values = mode == fdEdit ? filter : TFilter();
    if (!hook(values, mode)) return false;
    filter = values;
    return true;
  }
};
