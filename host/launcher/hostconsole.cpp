#include "hostconsole.h"

#include "hostcalllog.h"
#include "hostcallmodel.h"
#include "hostevents.h"
#include "hostprofile.h"
#include "standinhost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// Enough to scroll back through a long session without the view growing without end.
constexpr int kMaxRows = 5000;
// Often enough to look live, seldom enough that a flood of calls costs the view next to nothing.
constexpr int kCatchUpIntervalMs = 50;

QPushButton* sendButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

QWidget* row(QWidget* field, QWidget* button)
{
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field, 1);
    layout->addWidget(button);
    return line;
}

} // namespace

HostConsole::HostConsole(HostCallLog* log, HostEvents* events, QWidget* parent)
    : QWidget(parent)
    , m_log(log)
    , m_events(events)
    , m_model(new HostCallModel(kMaxRows, this))
    , m_calls(new QTreeView(this))
    , m_count(new QLabel(this))
{
    auto* title = new QLabel(tr("Host calls"), this);
    title->setObjectName(QStringLiteral("consoleTitle"));
    m_count->setObjectName(QStringLiteral("callCount"));
    auto* header = new QHBoxLayout;
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(m_count);

    m_calls->setModel(m_model);
    m_calls->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_calls->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_calls->setTextElideMode(Qt::ElideRight);
    m_calls->setRootIsDecorated(false);
    m_calls->setItemsExpandable(false);
    m_calls->setUniformRowHeights(true);
    m_calls->setAlternatingRowColors(true);
    m_calls->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_calls->setFont(fixed);
    // A fixed width for the numbers: a column sized to its contents measures every row again
    // whenever one is added.
    m_calls->header()->setStretchLastSection(true);
    m_calls->header()->setSectionResizeMode(HostCallModel::SeqColumn, QHeaderView::Interactive);
    m_calls->header()->resizeSection(HostCallModel::SeqColumn,
                                     QFontMetrics(fixed).horizontalAdvance(QStringLiteral("00000000")));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(header);
    layout->addWidget(m_calls, 1);
    layout->addWidget(eventControls());

    m_catchUp.setSingleShot(true);
    connect(&m_catchUp, &QTimer::timeout, this, &HostConsole::catchUp);
    // Connected before the backlog is read, so nothing falls between the two.
    connect(m_log, &HostCallLog::appended, this, &HostConsole::scheduleCatchUp);
    catchUp();
    connect(m_events, &HostEvents::changed, this, &HostConsole::showHostState);
    showHostState();
}

void HostConsole::scheduleCatchUp()
{
    if (!m_catchUp.isActive())
        m_catchUp.start(static_cast<int>(qBound<qint64>(0, kCatchUpIntervalMs - m_sinceCatchUp.elapsed(),
                                                        kCatchUpIntervalMs)));
}

void HostConsole::catchUp()
{
    m_sinceCatchUp.start();
    // Of a flood, only the newest rows would stay: the rest is not even fetched.
    const qint64 since = qMax(m_shownSeq, m_log->lastSeq() - m_model->capacity());
    const QVector<QJsonObject> entries = m_log->entriesAfter(since);
    if (entries.isEmpty())
        return;
    QScrollBar* scroll = m_calls->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    const int dropped = m_model->append(entries);
    m_shownSeq = entries.constLast().value(QLatin1String("seq")).toVariant().toLongLong();
    // One scroll per batch, not one per row.
    if (following)
        m_calls->scrollToBottom();
    else if (dropped > 0)
        // Whoever scrolled up keeps looking at the same calls while the oldest go.
        scroll->setValue(scroll->value() - dropped);
    m_count->setText(tr("%n call(s)", nullptr, static_cast<int>(m_shownSeq)));
}

QWidget* HostConsole::eventControls()
{
    auto* box = new QGroupBox(tr("Host events"), this);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

    m_language = new QComboBox(box);
    m_language->setEditable(true);
    m_language->addItems({QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("es"),
                          QStringLiteral("pt-BR"), QStringLiteral("ja"), QStringLiteral("zh-CN")});
    auto* language = sendButton(tr("Change"), box);
    connect(language, &QPushButton::clicked, this, [this] {
        const QString code = m_language->currentText().trimmed();
        if (!code.isEmpty())
            m_events->changeLanguage(code);
    });
    form->addRow(tr("Language"), row(m_language, language));

    m_country = new QLineEdit(box);
    m_country->setPlaceholderText(tr("e.g. US"));
    auto* country = sendButton(tr("Post"), box);
    connect(country, &QPushButton::clicked, this, [this] { m_events->changeCountry(m_country->text().trimmed()); });
    form->addRow(tr("Country"), row(m_country, country));

    m_oneButton = new QSpinBox(box);
    m_oneButton->setRange(-1000, 1000);
    auto* strategy = sendButton(tr("Post"), box);
    connect(strategy, &QPushButton::clicked, this, [this] { m_events->changeStrategy(m_oneButton->value()); });
    form->addRow(tr("One-button play"), row(m_oneButton, strategy));

    m_loggedIn = new QCheckBox(tr("signed in"), box);
    m_email = new QLineEdit(box);
    m_email->setPlaceholderText(tr("e-mail"));
    m_userId = new QLineEdit(box);
    m_userId->setPlaceholderText(tr("user id"));
    m_token = new QLineEdit(box);
    m_token->setPlaceholderText(tr("token"));
    auto* account = sendButton(tr("Send"), box);
    connect(account, &QPushButton::clicked, this, [this] {
        ACCOUNTINFO info = m_events->host()->profile().account;
        info.loggedIn = m_loggedIn->isChecked();
        info.email = m_email->text();
        info.userId = m_userId->text();
        info.token = m_token->text();
        m_events->changeAccount(info);
    });
    auto* identity = new QWidget(box);
    auto* identityLayout = new QHBoxLayout(identity);
    identityLayout->setContentsMargins(0, 0, 0, 0);
    identityLayout->addWidget(m_loggedIn);
    identityLayout->addWidget(m_email, 1);
    form->addRow(tr("Account"), identity);
    auto* ids = new QWidget(box);
    auto* idsLayout = new QHBoxLayout(ids);
    idsLayout->setContentsMargins(0, 0, 0, 0);
    idsLayout->addWidget(m_userId, 1);
    idsLayout->addWidget(m_token, 1);
    form->addRow(QString(), row(ids, account));
    return box;
}

void HostConsole::showHostState()
{
    const HostProfile& profile = m_events->host()->profile();
    m_language->setCurrentText(profile.language);
    m_country->setText(profile.countryCode);
    m_oneButton->setValue(profile.oneButtonConfig);
    m_loggedIn->setChecked(profile.account.loggedIn);
    m_email->setText(profile.account.email);
    m_userId->setText(profile.account.userId);
    m_token->setText(profile.account.token);
}
