#include "audit/dialogs/audit_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/clock.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "shell/menu.h"
#include "ui/browse_widget.h"
#include "ui/entry_field.h"
#include "ui/form_builder.h"
#include "ui/qt_print_job.h"
#include "ui/thai_text.h"
#include "ui/widgets.h"

namespace audit {
namespace {

using core::tis620::T;
using Button = AuditList::Button;

constexpr int kSearchWidth = 40;

std::string copyFileDialog(QWidget* parent)
{
    const core::Date today = core::clock().today();
    const std::string name = AuditList::copyFileName(today);
    const QString folder = QString::fromLocal8Bit(
        core::paths::resolve(core::paths::native(core::programSettings().text("CDRV3"))).c_str());
    const QString filter = QStringLiteral("Audit trail (%1)").arg(QString::fromLatin1(name.c_str()));
    // The overwrite question is the program's own, asked after the choice.
    const QString chosen =
        QFileDialog::getSaveFileName(parent, ui::fromTis(AuditList::copyDialogTitle()),
                                     QDir(folder).filePath(QString::fromLatin1(name.c_str())), filter, nullptr,
                                     QFileDialog::DontConfirmOverwrite);
    return chosen.toLocal8Bit().toStdString();
}

void previewReport(AuditList& model, core::Date from, core::Date to)
{
    ui::QtPrintJob::Options options;
    options.output = ui::QtPrintJob::Output::Preview;
    options.kind = "Audit";
    ui::QtPrintJob job(options);
    model.report(from, to, job);
}

}  // namespace

std::optional<DateRange> askDateRange(AuditList::RangeUse use, QWidget* parent)
{
    core::ValueMap values;
    const core::Date today = core::clock().today();
    values.set("dFrom", core::Value::date(today));
    values.set("dTo", core::Value::date(today));
    const auto notEmpty = [](ui::EntryField& field) {
        bool ok = false;
        const core::Value v = field.value(&ok);
        return ok && v.isDate() && !v.asDate().isEmpty();
    };
    ui::FormDialog dialog(AuditList::rangeTitle(use), values,
                          {
                              {.label = AuditList::fromLabel(), .name = "dFrom", .validation = notEmpty},
                              {.label = AuditList::toLabel(), .name = "dTo", .validation = notEmpty},
                          },
                          parent);
    bool accepted = false;
    dialog.addButton(T("&ตกลง"), [&] {
        for (const char* name : {"dFrom", "dTo"}) {
            const core::Value& v = values.get(name);
            if (!v.isDate() || v.asDate().isEmpty()) {
                dialog.form().field(name)->setFocus();
                return;
            }
        }
        accepted = true;
        dialog.accept();
    });
    dialog.addButton(T("&ยกเลิก"), [&] { dialog.reject(); }, false);
    dialog.exec();
    if (!accepted)
        return std::nullopt;
    return DateRange{values.get("dFrom").asDate(), values.get("dTo").asDate()};
}

AuditDialog::AuditDialog(AuditList& model, QWidget* parent) : ui::Dialog(AuditList::title(), parent), m_model(model)
{
    askRange = [this](AuditList::RangeUse use) { return askDateRange(use, this); };
    chooseCopyFile = [this] { return copyFileDialog(this); };
    printReport = [this](core::Date from, core::Date to) { previewReport(m_model, from, to); };

    std::vector<ui::BrowseColumn> columns;
    for (const AuditList::Column& c : AuditList::columns())
        columns.push_back({T(c.headingUtf8), c.width, Qt::AlignLeft});
    m_browse = new ui::BrowseWidget(model.rows(), columns, this);
    m_browse->setStatusTip(ui::fromTis(AuditList::browseStatus()));

    m_search = new ui::EntryField(ui::Picture::text(kSearchWidth), this);
    m_search->setDisplayChars(kSearchWidth);

    const auto makeButton = [this](Button b) {
        auto* button = new QPushButton(ui::fromTis(AuditList::caption(b)), this);
        button->setStatusTip(ui::fromTis(AuditList::statusText(b)));
        button->setEnabled(m_model.enabled(b));
        button->setAutoDefault(false);
        m_buttons[int(b)] = button;
        return button;
    };

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(makeButton(Button::Search));

    auto* buttons = new QHBoxLayout;
    for (const Button b : {Button::Top, Button::Bottom, Button::Print, Button::Copy, Button::Purge, Button::Exit})
        buttons->addWidget(makeButton(b));

    m_messageBar = new ui::MessageBar(this);
    m_messageBar->setDefaultText(AuditList::browseStatus());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browse, 1);
    layout->addLayout(searchRow);
    layout->addLayout(buttons);
    layout->addWidget(m_messageBar);
    m_messageBar->attachTo(this);

    connect(button(Button::Top), &QPushButton::clicked, this, [this] { m_browse->goTop(); m_browse->setFocus(); });
    connect(button(Button::Bottom), &QPushButton::clicked, this, [this] { m_browse->goBottom(); m_browse->setFocus(); });
    connect(button(Button::Search), &QPushButton::clicked, this, [this] { search(); });
    connect(button(Button::Copy), &QPushButton::clicked, this, [this] { copy(); });
    connect(button(Button::Purge), &QPushButton::clicked, this, [this] { purge(); });
    connect(button(Button::Print), &QPushButton::clicked, this, [this] { print(); });
    connect(button(Button::Exit), &QPushButton::clicked, this, [this] { accept(); });

    int width = 0;
    for (const ui::BrowseColumn& c : columns)
        width += c.width;
    resize(width + 40, 480);
    m_browse->setFocus();
}

void AuditDialog::search()
{
    m_search->commitPending();
    const std::string text = ui::toTis(m_search->text());
    if (!text.empty() && m_model.find(text))
        m_browse->refreshAll();
    m_browse->setFocus();
}

void AuditDialog::copy()
{
    const auto range = askRange(AuditList::RangeUse::Copy);
    if (!range)
        return;
    const std::string file = chooseCopyFile();
    if (file.empty())
        return;
    m_model.copy(range->first, range->second, file);
    m_browse->refreshAll();
}

void AuditDialog::purge()
{
    const auto range = askRange(AuditList::RangeUse::Purge);
    if (!range)
        return;
    m_model.purge(range->first, range->second);
    m_browse->goTop();
    m_browse->refreshAll();
}

void AuditDialog::print()
{
    const auto range = askRange(AuditList::RangeUse::Print);
    if (!range)
        return;
    printReport(range->first, range->second);
    m_browse->goTop();
    m_browse->refreshAll();
}

void AUDITLIST(int level, QWidget* parent)
{
    AuditList model(level);
    if (!model.open())
        return;
    AuditDialog dialog(model, parent);
    dialog.exec();
    model.close();
}

void registerAuditActions(shell::Dispatcher& dispatcher)
{
    dispatcher.registerAction(shell::Action::AUDITLIST, [](int level) { AUDITLIST(level); });
}

}  // namespace audit
