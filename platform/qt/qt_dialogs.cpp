// Modal interaction on Qt: message boxes, dialogs built from the core's
// template controls, the file dialog and the help window.
#include "qt_backend.h"

#include "core.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <map>
#include <strings.h>

namespace platform::qt {

namespace {

constexpr int kFieldTextLimit = 63;  // what GetDlgItemTextA of the program reads

QMessageBox::StandardButton StandardButtonOf(int iAnswer) {
    switch (iAnswer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    default: return QMessageBox::No;
    }
}

QMessageBox::Icon IconOf(UINT uType) {
    switch (uType & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The dialog of a template: Escape and the close box go to the program as Cancel,
// and the dialog closes only when the program has ended it.
class TemplateDialog final : public QDialog {
public:
    TemplateDialog(HWND hDlg, QWidget* pParent) : QDialog(pParent), hDlg_(hDlg) {}
    void Command(int iId) {
        DialogCommand(hDlg_, iId);
        if (DialogEnded(hDlg_)) done(0);
    }
    void reject() override { Command(IDCANCEL); }

private:
    HWND hDlg_;
};

struct BaseUnits {
    int iX;
    int iY;
};

BaseUnits DialogBaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    const QString sAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return {(metrics.horizontalAdvance(sAlphabet) / 26 + 1) / 2, metrics.height()};
}

QRect PixelRect(const RECT& rcUnits, BaseUnits units) {
    return QRect(QPoint(rcUnits.left * units.iX / 4, rcUnits.top * units.iY / 8),
                 QPoint(rcUnits.right * units.iX / 4 - 1, rcUnits.bottom * units.iY / 8 - 1));
}

QWidget* ControlWidget(TemplateDialog& dialog, HWND hDlg, HWND hControl, const Window& control) {
    QString sText = QString::fromLatin1(control.sText.c_str());
    if (strcasecmp(control.sClass.c_str(), "EDIT") == 0) {
        auto* pEdit = new QLineEdit(sText, &dialog);
        pEdit->setMaxLength(kFieldTextLimit);
        QObject::connect(pEdit, &QLineEdit::textChanged, [hControl](const QString& sNew) {
            SetWindowTextA(hControl, sNew.toLatin1().constData());
        });
        return pEdit;
    }
    if (strcasecmp(control.sClass.c_str(), "BUTTON") == 0) {
        auto* pButton = new QPushButton(sText, &dialog);
        bool bDefault = (control.dwStyle & 0xF) == BS_DEFPUSHBUTTON;
        pButton->setDefault(bDefault);
        pButton->setAutoDefault(false);
        int iId = control.iId;
        QObject::connect(pButton, &QPushButton::clicked, [&dialog, iId] { dialog.Command(iId); });
        (void)hDlg;
        return pButton;
    }
    return new QLabel(sText, &dialog);
}

}  // namespace

int ShowMessageBox(const MessageBoxRequest& request) {
    QMessageBox box(IconOf(request.uType), QString::fromLatin1(request.sCaption.c_str()),
                    QString::fromLatin1(request.sText.c_str()), QMessageBox::NoButton,
                    WidgetOf(request.hwndOwner));
    std::map<QAbstractButton*, int> answers;
    for (size_t i = 0; i < request.buttons.size(); ++i) {
        QPushButton* pButton = box.addButton(StandardButtonOf(request.buttons[i].iAnswer));
        answers[pButton] = request.buttons[i].iAnswer;
        if (static_cast<int>(i) == request.iDefault) box.setDefaultButton(pButton);
    }
    if ((request.uType & MB_MODEMASK) == MB_SYSTEMMODAL) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    auto it = answers.find(box.clickedButton());
    return it == answers.end() ? IDCANCEL : it->second;
}

void RunTemplateDialog(HWND hDlg) {
    Window* pDialog = FindWindowRecord(hDlg);
    if (!pDialog) return;
    TemplateDialog dialog(hDlg, WidgetOf(pDialog->hwndParent));
    dialog.setWindowTitle(QString::fromLatin1(pDialog->sText.c_str()));
    QFont font = QApplication::font();
    if (pDialog->iPointSize > 0) font.setPointSize(pDialog->iPointSize);
    dialog.setFont(font);
    BaseUnits units = DialogBaseUnits(font);
    QRect rcDialog = PixelRect(pDialog->rcUnits, units);
    dialog.setFixedSize(rcDialog.size());
    QWidget* pPrevious = nullptr;
    QWidget* pFocus = nullptr;
    for (HWND hControl : DialogControls(hDlg)) {
        const Window* pControl = FindWindowRecord(hControl);
        QWidget* pWidget = ControlWidget(dialog, hDlg, hControl, *pControl);
        pWidget->setGeometry(PixelRect(pControl->rcUnits, units));
        if (pControl->dwStyle & WS_TABSTOP) {
            if (pPrevious) QWidget::setTabOrder(pPrevious, pWidget);
            pPrevious = pWidget;
        } else {
            pWidget->setFocusPolicy(Qt::NoFocus);
        }
        if (hControl == GetFocus()) pFocus = pWidget;
    }
    if (pFocus) pFocus->setFocus();
    if (!DialogEnded(hDlg)) dialog.exec();
}

// The pattern list becomes Qt's "Label (patterns)", the label's own
// parenthesised hint dropped so that it is not read as a second pattern.
std::string ChooseFileName(const FileDialogRequest& request, int* piFilter) {
    QFileDialog dialog(WidgetOf(request.hwndOwner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the core asks, as Windows does
    dialog.setAcceptMode(request.bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const auto& [sLabel, sPattern] : request.filters) {
        QString sShown = QString::fromLatin1(sLabel.c_str());
        int iParen = sShown.indexOf('(');
        if (iParen > 0) sShown = sShown.left(iParen).trimmed();
        filters << sShown + " (" + QString::fromLatin1(sPattern.c_str()).replace(';', ' ') + ")";
    }
    dialog.setNameFilters(filters);
    int iFilter = request.iFilterIndex > 0 ? request.iFilterIndex - 1 : 0;
    if (iFilter < filters.size()) dialog.selectNameFilter(filters[iFilter]);
    if (!request.sInitialPath.empty()) dialog.selectFile(QString::fromLocal8Bit(request.sInitialPath.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    *piFilter = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().first().toLocal8Bit().toStdString();
}

// The program's help document: installed beside the program's data, or in the
// build tree next to the executable.
void ShowHelpWindow(HWND hwndOwner) {
    static QPointer<QTextBrowser> pBrowser;  // gone with its owner
    QString sDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {sDir + "/../share/orvanta/help/orvanta.html", sDir + "/help/orvanta.html"};
    QString sFound;
    for (const QString& sCandidate : candidates)
        if (QFileInfo::exists(sCandidate)) sFound = QFileInfo(sCandidate).canonicalFilePath();
    if (sFound.isEmpty()) {
        QMessageBox::warning(WidgetOf(hwndOwner), "Orvanta", "The help document orvanta.html is not installed.");
        return;
    }
    if (!pBrowser) {
        pBrowser = new QTextBrowser(WidgetOf(hwndOwner));
        pBrowser->setWindowFlag(Qt::Window);
        pBrowser->setWindowTitle("Orvanta Help");
        pBrowser->resize(720, 640);
    }
    pBrowser->setSource(QUrl::fromLocalFile(sFound));
    pBrowser->show();
    pBrowser->raise();
}

}  // namespace platform::qt
