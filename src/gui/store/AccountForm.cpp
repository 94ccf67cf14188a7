#include "gui/store/AccountForm.h"

#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QPushButton>
#include <QtDebug>
#include <stdexcept>

#include "core/frame/DataDirectory.h"
#include "core/frame/ProjectInfo.h"
#include "core/store/Accounts.h"
#include "core/store/Sqlite3Exception.h"
#include "gui/frame/MessageBoxes.h"
#include "gui/frame/ProgressForm.h"
#include "gui/frame/RunBehindDialog.h"

namespace {

const char* const defaultAccountName = "default.db";

QIcon accountIcon()
{
    return QIcon(QStringLiteral(":/res/db.png"));
}

} // namespace

AccountForm::AccountForm(QWidget* parent)
    : QDialog(parent, Qt::MSWindowsFixedSizeDialogHint), m_graphicsView(new QGraphicsView(this)),
      m_scene(new QGraphicsScene(this)), m_lbAccTips(new QLabel(this)), m_label(new QLabel(this)),
      m_cbAccount(new QComboBox(this)), m_aDelAccount(new QLabel(this)),
      m_btnAccountEnter(new QPushButton(this))
{
    buildInterface();
    m_cbAccount->setEditable(true);
    connect(m_btnAccountEnter, &QPushButton::pressed, this, &AccountForm::onBtnEnterClicked);
    connect(m_aDelAccount, &QLabel::linkActivated, this, &AccountForm::onDeleteAccountClicked);
    showBanner();
    fillAccountList();
}

void AccountForm::buildInterface()
{
    setObjectName(QStringLiteral("AccountForm"));
    setFixedSize(400, 217);
    setContextMenuPolicy(Qt::NoContextMenu);
    setWindowTitle(QStringLiteral("%1 - Account").arg(QString::fromUtf8(ProjectInfo::displayName)));
    setStyleSheet(QStringLiteral("#lbAccTips {\n\tfont-size:11px;\n}"));

    m_graphicsView->setObjectName(QStringLiteral("graphicsView"));
    m_graphicsView->setGeometry(0, 0, 400, 70);
    m_graphicsView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_graphicsView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_graphicsView->setFrameShape(QFrame::Panel);
    m_graphicsView->setFrameShadow(QFrame::Sunken);

    m_lbAccTips->setObjectName(QStringLiteral("lbAccTips"));
    m_lbAccTips->setGeometry(20, 78, 360, 32);
    m_lbAccTips->setWordWrap(true);
    m_lbAccTips->setText(
        QStringLiteral("Select account or enter a new account name for SMS local database."));

    m_label->setObjectName(QStringLiteral("label"));
    m_label->setGeometry(20, 120, 60, 24);
    m_label->setText(QStringLiteral("Account:"));

    m_cbAccount->setObjectName(QStringLiteral("cbAccount"));
    m_cbAccount->setGeometry(85, 120, 295, 24);

    m_aDelAccount->setObjectName(QStringLiteral("aDelAccount"));
    m_aDelAccount->setGeometry(85, 150, 200, 20);
    m_aDelAccount->setText(QStringLiteral("<a href=\"#\">Delete this account.</a>"));
    m_aDelAccount->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                           Qt::LinksAccessibleByKeyboard);

    m_btnAccountEnter->setObjectName(QStringLiteral("btnAccountEnter"));
    m_btnAccountEnter->setGeometry(300, 180, 80, 26);
    m_btnAccountEnter->setText(QStringLiteral("Enter"));
    m_btnAccountEnter->setDefault(true);
}

void AccountForm::showBanner()
{
    m_scene->addPixmap(QPixmap(QStringLiteral(":/res/banner.png")));
    m_graphicsView->setScene(m_scene);
}

void AccountForm::fillAccountList()
{
    m_cbAccount->clear();
    m_accountFiles =
        dataDirectory().entryInfoList({QStringLiteral("*.db")}, QDir::Files, QDir::Time);
    for (const QFileInfo& file : std::as_const(m_accountFiles))
        m_cbAccount->addItem(accountIcon(), file.fileName());
    m_cbAccount->setCurrentIndex(-1);
}

bool AccountForm::accountFileExists(const QString& name) const
{
    // Only a plain name counts; "../elsewhere.db" must not reach a file outside the folder.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    return QFileInfo::exists(dataDirectory().absoluteFilePath(name));
}

void AccountForm::onBtnEnterClicked()
{
    QString name = m_cbAccount->currentText().trimmed();
    if (name.isEmpty()) {
        if (!m_accountFiles.isEmpty()) {
            showWarning(tr("IDS_PLEASE_SEL_OR_CREATE_ACCOUNT"));
            return;
        }
        if (!createDefaultAccount(name))
            return;
    } else if (!accountFileExists(name)) {
        // "work" means work.db when that exists, as the file system compares names.
        const QString withSuffix = name + QLatin1String(".db");
        if (!name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) &&
            accountFileExists(withSuffix))
            name = withSuffix;
        else if (!createNamedAccount(name))
            return;
    }
    if (openDatabase(name))
        accept();
}

bool AccountForm::createDefaultAccount(QString& name)
{
    if (!askYesNo(tr("IDS_ASK_CREATE_A_DEFAULT_ACCOUNT_WHEN_NO_ACCOUNTS")))
        return false;
    name = QString::fromLatin1(defaultAccountName);
    return createFile(name);
}

bool AccountForm::createNamedAccount(QString& name)
{
    if (!isValidNewAccountName(name)) {
        showWarning(tr("IDS_INVALID_ACCOUNT_NAME"));
        return false;
    }
    if (!askYesNo(tr("IDS_CONFIRM_CREATE_ACCOUNT_%1").arg(name)))
        return false;
    if (!name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive))
        name += QLatin1String(".db");
    return createFile(name);
}

bool AccountForm::createFile(const QString& name)
{
    try {
        createAccountFile(name);
    } catch (const std::runtime_error& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

bool AccountForm::openDatabase(const QString& name)
{
    // Only an account without a whole search index and summary shows the progress dialog.
    const auto runUpgrade = [this](JobThread& job) {
        ProgressForm form(tr("Preparing the account..."), this);
        return runJob(form, job) == QDialog::Accepted;
    };
    try {
        return openAccountDatabase(name, runUpgrade) != nullptr;
    } catch (const Sqlite3Exception& e) {
        qDebug("AccountForm::onBtnEnterClicked, %s", e.what());
        showErrorOccurred(QString::fromUtf8(e.what()));
        return false;
    }
}

void AccountForm::onDeleteAccountClicked(const QString&)
{
    const QString name = m_cbAccount->currentText();
    if (m_cbAccount->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        showWarning(tr("IDS_SEL_EXIST_ACCOUNT"));
        return;
    }
    if (!askYesNo(tr("IDS_CONFIRM_DEL_THIS_ACCOUNT")))
        return;
    try {
        deleteAccountFile(name);
    } catch (const std::runtime_error& e) {
        showErrorOccurred(QString::fromUtf8(e.what()));
        return;
    }
    showInformation(tr("IDS_DEL_ACCOUNT_SUC"));
    fillAccountList();
}
