#include "hostconsole.h"

#include "consoleview.h"
#include "hostcalllog.h"
#include "hostcallmodel.h"
#include "hostevents.h"
#include "hostprofile.h"
#include "pagetraffic.h"
#include "standinhost.h"
#include "trafficmodel.h"

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
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Enough to scroll back through a long session without the view growing without end.
constexpr int kMaxRows = 5000;

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

// A list under its title, with a count on the right.
QWidget* titled(const QString& title, QLabel* count, QWidget* list)
{
    auto* part = new QWidget;
    auto* label = new QLabel(title, part);
    label->setObjectName(QStringLiteral("consoleTitle"));
    auto* header = new QHBoxLayout;
    header->addWidget(label);
    header->addStretch(1);
    header->addWidget(count);
    auto* layout = new QVBoxLayout(part);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(header);
    layout->addWidget(list, 1);
    return part;
}

} // namespace

HostConsole::HostConsole(HostCallLog* log, HostEvents* events, PageTraffic* traffic, QWidget* parent)
    : QWidget(parent)
    , m_log(log)
    , m_events(events)
    , m_traffic(traffic)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    // Both in sight at once: a command, the host calls it made and the plug-in's answer belong
    // together. The calls come first, also among the children: a look for the console's list
    // finds them.
    layout->addWidget(callList(), 3);
    if (m_traffic)
        layout->addWidget(trafficList(), 2);
    layout->addWidget(eventControls());
    connect(m_events, &HostEvents::changed, this, &HostConsole::showHostState);
    showHostState();
}

QWidget* HostConsole::callList()
{
    auto* count = new QLabel(this);
    count->setObjectName(QStringLiteral("callCount"));
    auto* calls = new ConsoleView(new HostCallModel(kMaxRows, this),
                                  {[log = m_log] { return log->lastSeq(); },
                                   [log = m_log](qint64 since) { return log->entriesAfter(since); }},
                                  this);
    calls->setObjectName(QStringLiteral("hostCalls"));
    connect(calls, &ConsoleView::caughtUp, count,
            [count](qint64 seq) { count->setText(tr("%n call(s)", nullptr, static_cast<int>(seq))); });
    // Connected before the backlog is read, so nothing falls between the two.
    connect(m_log, &HostCallLog::appended, calls, &ConsoleView::scheduleCatchUp);
    calls->catchUp();
    return titled(tr("Host calls"), count, calls);
}

QWidget* HostConsole::trafficList()
{
    auto* count = new QLabel(this);
    count->setObjectName(QStringLiteral("trafficCount"));
    auto* model = new TrafficModel(kMaxRows, this);
    auto* traffic = new ConsoleView(model,
                                    {[traffic = m_traffic] { return traffic->lastSeq(); },
                                     [traffic = m_traffic](qint64 since) { return traffic->entriesAfter(since); }},
                                    this);
    traffic->setObjectName(QStringLiteral("pageTraffic"));
    traffic->header()->resizeSection(
        TrafficModel::TimeColumn, QFontMetrics(traffic->font()).horizontalAdvance(QStringLiteral("00:00:00.0000")));
    auto showCount = [count, source = m_traffic] {
        const qint64 warned = source->warnedCount();
        count->setText(tr("%n command(s)", nullptr, static_cast<int>(source->commandCount()))
                       + (warned > 0 ? tr(", ⚠ %n with warnings", nullptr, static_cast<int>(warned))
                                     : tr(", protocol check: no warnings")));
    };
    connect(traffic, &ConsoleView::caughtUp, count, showCount);
    connect(m_traffic, &PageTraffic::appended, traffic, &ConsoleView::scheduleCatchUp);
    traffic->catchUp();
    showCount();
    return titled(tr("Page traffic"), count, traffic);
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
