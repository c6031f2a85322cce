#include "launcher/console/hostconsole.h"

#include "launcher/console/consoleview.h"
#include "hostcalllog.h"
#include "launcher/console/hostcallmodel.h"
#include "launcher/host/hostevents.h"
#include "launcher/host/hostfaults.h"
#include "hostprofile.h"
#include "launcher/page/pagetraffic.h"
#include "launcher/page/pagewatcher.h"
#include "standinhost.h"
#include "launcher/console/trafficmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
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
    // The controls scroll rather than hold the window to their height: --size may ask for less.
    auto* controls = new QWidget;
    m_layout = new QVBoxLayout(controls);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(eventControls());
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(controls);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    layout->addWidget(scroll);
    connect(m_events, &HostEvents::changed, this, &HostConsole::showHostState);
    showHostState();
}

QWidget* HostConsole::callList()
{
    auto* count = new QLabel(this);
    count->setObjectName(QStringLiteral("callCount"));
    m_callCount = count;
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

void HostConsole::catchUp()
{
    for (ConsoleView* list : findChildren<ConsoleView*>())
        list->catchUp();
    // A count's new text asks for a new layout by a posted request, and a layout that changes its
    // widget's size asks its parent's the same way: one pass for each level up to the window.
    for (QWidget* level = m_callCount; level; level = level->parentWidget())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
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

void HostConsole::addWorkbench(PageWatcher* page, HostFaults* faults)
{
    m_faults = faults;
    auto* box = new QGroupBox(tr("Workbench"), this);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_workbenchStatus = new QLabel(box);
    m_workbenchStatus->setWordWrap(true);

    auto* reload = sendButton(tr("Reload"), box);
    reload->setToolTip(tr("Refreshes the page as its own refresh does: the plug-in tests the web host and loads again"));
    connect(reload, &QPushButton::clicked, this, [this, page] {
        QString error;
        m_workbenchStatus->setText(page->refresh(&error) ? QString() : error);
    });
    auto* screenshot = sendButton(tr("Screenshot…"), box);
    connect(screenshot, &QPushButton::clicked, this, [this] {
        // Grabbed before the dialog covers the window, with the lists caught up as for any picture.
        catchUp();
        const QPixmap shot = window()->grab();
        const QString file = QFileDialog::getSaveFileName(this, tr("Save a screenshot"), QStringLiteral("vornik-launcher.png"),
                                                          tr("PNG images (*.png)"));
        if (!file.isEmpty())
            m_workbenchStatus->setText(shot.save(file, "PNG") ? tr("saved %1").arg(file) : tr("cannot write %1").arg(file));
    });
    auto* buttons = new QWidget(box);
    auto* buttonsLayout = new QHBoxLayout(buttons);
    buttonsLayout->setContentsMargins(0, 0, 0, 0);
    buttonsLayout->addWidget(reload);
    buttonsLayout->addWidget(screenshot);
    buttonsLayout->addStretch(1);
    form->addRow(tr("Page"), buttons);

    auto switchFor = [this, box](const QString& text, void (HostFaults::*set)(bool)) {
        auto* check = new QCheckBox(text, box);
        connect(check, &QCheckBox::clicked, m_faults, set);
        return check;
    };
    m_webHostUnreachable = switchFor(tr("web host unreachable"), &HostFaults::setWebHostUnreachable);
    m_modedListFailing = switchFor(tr("moded list fails"), &HostFaults::setModedListFailing);
    m_apkFailing = switchFor(tr("APK look-ups fail"), &HostFaults::setApkFailing);
    m_apkSlow = new QCheckBox(tr("APK look-ups slow"), box);
    m_apkDelay = new QSpinBox(box);
    m_apkDelay->setRange(1, 120000);
    m_apkDelay->setValue(3000);
    m_apkDelay->setSuffix(tr(" ms"));
    auto applyDelay = [this] { m_faults->setApkDelay(m_apkSlow->isChecked() ? m_apkDelay->value() : 0); };
    connect(m_apkSlow, &QCheckBox::clicked, this, applyDelay);
    connect(m_apkDelay, &QSpinBox::editingFinished, this, [this, applyDelay] {
        if (m_apkSlow->isChecked())
            applyDelay();
    });
    auto* crash = sendButton(tr("Crash renderer"), box);
    connect(crash, &QPushButton::clicked, this, [this] {
        QString error;
        m_workbenchStatus->setText(m_faults->crashRenderer(&error) ? QString() : error);
    });
    auto* switches = new QWidget(box);
    auto* grid = new QGridLayout(switches);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(m_webHostUnreachable, 0, 0);
    grid->addWidget(m_modedListFailing, 0, 1);
    grid->addWidget(m_apkFailing, 1, 0);
    grid->addWidget(crash, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_apkSlow, 2, 0);
    grid->addWidget(m_apkDelay, 2, 1, Qt::AlignLeft);
    form->addRow(tr("Faults"), switches);
    form->addRow(m_workbenchStatus);
    m_layout->addWidget(box);

    connect(m_faults, &HostFaults::changed, this, &HostConsole::showFaults);
    showFaults();
}

void HostConsole::showFaults()
{
    m_webHostUnreachable->setChecked(m_faults->webHostUnreachable());
    m_modedListFailing->setChecked(m_faults->modedListFailing());
    m_apkFailing->setChecked(m_faults->apkFailing());
    m_apkSlow->setChecked(m_faults->apkDelayMs() > 0);
    if (m_faults->apkDelayMs() > 0)
        m_apkDelay->setValue(m_faults->apkDelayMs());
}
