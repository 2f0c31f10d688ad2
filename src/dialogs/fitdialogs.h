#pragma once
// The two fit dialogs. Each opens from the settings the last confirmed dialog of
// its kind left (fitting/fitsettings.h), checks its fields on OK in order (the first
// failure shows its message and the dialog stays open) and only then stores them
// for the fit to read. The caption is the series' file name with extension.

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"

#include <string>

class BoxFrame;
class TPlot;
struct LinearFitSettings;
struct NonLinearFitSettings;
struct NlsFileData;

// The linear fit: the points to fit, the model (polynomials of degree 0 to 10 and
// four two-parameter models), an optional fixed point and the output curve.
class TLenearSQDialog : public PDialog {
    Q_OBJECT
public:
    TLenearSQDialog(QWidget* parent, BoxFrame* axisSet, TPlot* plot);

    // What the controls hold now, as the settings record (texts cut to 254 bytes).
    LinearFitSettings SettingsFromControls() const;
    // 1 when the controls pass the checks of OK; otherwise the first failure's
    // message was shown and 0 is returned.
    int Validate();

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    BoxFrame* AxisSet;
    TPlot* Plot;
    PComboBox* ModelList;
};

// The non-linear fit: the model y = f(x), the free parameters A to I with their
// initial values and optional derivatives, the rows to fit, the output curve and
// the Allowance; the model part can be saved to and loaded from ".nls" files.
class TNonLenearSQDialog : public PDialog {
    Q_OBJECT
public:
    TNonLenearSQDialog(QWidget* parent, BoxFrame* axisSet, TPlot* plot);

    NonLinearFitSettings SettingsFromControls() const;
    // Compiles the model and the derivative of each ticked parameter that has one.
    int Validate();

    // The file dialog of the ".nls" files (mode 0 load, 1 save): true with the
    // chosen local path; a failed dialog shows "Error No. #" and its code.
    bool GetNlsFileName(std::string* path, int mode);
    // File contents into the controls, and the controls into a file (a failed
    // write shows string 26 and answers 0).
    void ReadNls(const std::string& path);
    int WriteNls(const std::string& path);

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void CmUserConst();
    void CmUserFunction();
    void CmLoad();
    void CmSave();
    void ShowNls(const NlsFileData& data);

    BoxFrame* AxisSet;
    TPlot* Plot;
};
