// Modal interaction on Qt: message boxes, dialogs laid out by the core, the
// file dialog, and documents handed to the desktop.
#include "qt_backend.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QValidator>
#include <map>
#include <strings.h>

namespace platform::qt {

namespace {

// Modal dialogs and boxes as Win32 makes them: a fixed size, a close box and
// nothing else, above their owner.
void MakeModalFrame(QWidget* pWindow) {
    pWindow->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    pWindow->setWindowModality(Qt::ApplicationModal);
}

// An edit control without ES_AUTOHSCROLL stops taking characters once its
// text fills the field's width.
class FieldWidthValidator final : public QValidator {
public:
    explicit FieldWidthValidator(QLineEdit* pEdit) : QValidator(pEdit), pEdit_(pEdit) {}
    State validate(QString& sInput, int&) const override {
        QMargins margins = pEdit_->textMargins();
        int iRoom = pEdit_->contentsRect().width() - margins.left() - margins.right() - 2 * kLineEditMargin;
        return pEdit_->fontMetrics().horizontalAdvance(sInput) <= iRoom ? Acceptable : Invalid;
    }

private:
    static constexpr int kLineEditMargin = 2;  // QLineEdit's own space each side of the text
    QLineEdit* pEdit_;
};

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

QFont DialogFont(int iPointSize) {
    QFont font = QApplication::font();
    if (iPointSize > 0) font.setPointSize(iPointSize);
    return font;
}

QRect WidgetRect(const RECT& rc) { return QRect(QPoint(rc.left, rc.top), QPoint(rc.right - 1, rc.bottom - 1)); }

QWidget* ControlWidget(TemplateDialog& dialog, const DialogControl& control) {
    QString sText = QString::fromLatin1(control.sText.c_str());
    if (strcasecmp(control.sClass.c_str(), "EDIT") == 0) {
        auto* pEdit = new QLineEdit(sText, &dialog);
        pEdit->setMaxLength(control.iTextLimit);
        if (!(control.dwStyle & ES_AUTOHSCROLL)) pEdit->setValidator(new FieldWidthValidator(pEdit));
        HWND hControl = control.hwnd;
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
    MakeModalFrame(&box);
    if ((request.uType & MB_MODEMASK) == MB_SYSTEMMODAL) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    auto it = answers.find(box.clickedButton());
    return it == answers.end() ? IDCANCEL : it->second;
}

SIZE MeasureDialogBaseUnits(int iPointSize) {
    QFontMetrics metrics(DialogFont(iPointSize));
    const QString sAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return {(metrics.horizontalAdvance(sAlphabet) / 26 + 1) / 2, metrics.height()};
}

void RunTemplateDialog(HWND hDlg) {
    DialogLayout layout = DescribeDialog(hDlg);
    TemplateDialog dialog(hDlg, WidgetOf(layout.hwndOwner));
    MakeModalFrame(&dialog);
    dialog.setWindowTitle(QString::fromLatin1(layout.sTitle.c_str()));
    dialog.setFont(DialogFont(layout.iPointSize));
    dialog.setFixedSize(layout.size.cx, layout.size.cy);
    QWidget* pPrevious = nullptr;
    QWidget* pFocus = nullptr;
    for (const DialogControl& control : layout.controls) {
        QWidget* pWidget = ControlWidget(dialog, control);
        pWidget->setGeometry(WidgetRect(control.rc));
        if (control.dwStyle & WS_TABSTOP) {
            if (pPrevious) QWidget::setTabOrder(pPrevious, pWidget);
            pPrevious = pWidget;
        } else {
            pWidget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.hwnd == GetFocus()) pFocus = pWidget;
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

bool OpenDocumentOnDesktop(const std::string& sPath) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(sPath.c_str())));
}

}  // namespace platform::qt
