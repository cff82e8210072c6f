#include "ui/qt/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QTreeWidget>
#include <QValidator>

#include <cmath>

#include "app/string_ids.h"
#include "profile/eap_config.h"
#include "ui/qt/list_tooltips.h"
#include "ui/qt/qt_strings.h"

namespace corvane {
namespace {

// Lets a field take of an edit only what the window's rule allows: characters of the device's
// code page, as many as its record holds. The program's own texts go in whole.
class DeviceTextValidator : public QValidator {
public:
    DeviceTextValidator(MainWindow& logic, ControlId id, QLineEdit* edit)
        : QValidator(edit), logic_(logic), id_(id) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { accepted_ = text; });
    }

    void setProgramText(QLineEdit& edit, const QString& text) {
        programText_ = true;
        edit.setText(text);
        programText_ = false;
    }

    State validate(QString& input, int& cursor) const override {
        if (programText_ || input == accepted_)
            return Acceptable;
        const FieldEdit edit = logic_.onFieldEdit(id_, fromQString(accepted_), fromQString(input));
        const QString fitted = toQString(edit.text);
        // Nothing could be taken: the edit goes back, and the field keeps its text.
        if (fitted == accepted_)
            return Invalid;
        input = fitted;
        cursor = int(toQString(edit.text.substr(0, edit.caret)).size());
        return Acceptable;
    }

private:
    MainWindow& logic_;
    ControlId id_;
    QString accepted_;
    bool programText_ = false;
};

// A label's text as a screen reader should say it: without the colon.
QString accessibleNameOf(unsigned labelId) {
    QString name = tableText(labelId).trimmed();
    if (name.endsWith(':'))
        name.chop(1);
    return name;
}

bool isFocusable(const TemplateControl& row) {
    switch (row.kind) {
    case ControlKind::StaticText:
    case ControlKind::GroupBox:
        return false;
    default:
        return true;
    }
}

constexpr int kIssuerColumn = 2;
constexpr int kValidUntilColumn = 3;

struct MenuItem {
    ControlId id; // None for a separator
    unsigned textId;
    const char* shortcut; // accelerator table 106; null for none
};

constexpr MenuItem kFileMenu[] = {
    {ControlId::New, ids::NewMenuItem, "Ctrl+N"},
    {ControlId::Open, ids::OpenMenuItem, "Ctrl+O"},
    {ControlId::None, 0, nullptr},
    {ControlId::Save, ids::SaveMenuItem, "Ctrl+S"},
    {ControlId::SaveAs, ids::SaveAsMenuItem, nullptr},
    {ControlId::None, 0, nullptr},
    {ControlId::Exit, ids::ExitMenuItem, nullptr},
};

constexpr MenuItem kHelpMenu[] = {
    {ControlId::HelpContents, ids::ContentsMenuItem, "F1"},
    {ControlId::None, 0, nullptr},
    {ControlId::About, ids::AboutMenuItem, nullptr},
};

} // namespace

QIcon corvaneIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addFile(QStringLiteral(":/corvane/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

DialogBaseUnits dialogBaseUnits(const QWidget& widget) {
    const QFontMetrics metrics(widget.font());
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = double(metrics.horizontalAdvance(letters)) / letters.size();
    return {int(std::lround(average)), metrics.height()};
}

QtMainWindow::QtMainWindow(MainWindow& logic) : logic_(logic) {
    // Caption, system menu and minimise box; no maximise box and no sizing border.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(corvaneIcon());
    auto* face = new QWidget(this);
    setCentralWidget(face);
    units_ = dialogBaseUnits(*face);
    createMenus();
    createControls(face);
    auto* toolTips = new ListToolTips(logic_, this);
    for (ControlId id : {ControlId::CaList, ControlId::ClientList})
        toolTips->watch(id, list(id));
    const PixelRect size = dialogRectToPixels(kMainWindowSize, units_);
    face->setFixedSize(size.width, size.height);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setAcceptDrops(true);
}

QtMainWindow::~QtMainWindow() = default;

void QtMainWindow::createMenus() {
    auto addMenu = [this](unsigned titleId, std::span<const MenuItem> items) {
        QMenu* menu = menuBar()->addMenu(tableText(titleId));
        for (const MenuItem& item : items) {
            if (item.id == ControlId::None) {
                menu->addSeparator();
                continue;
            }
            // The table's text names the shortcut after a tab; the action's name stops before it,
            // and the menu shows and announces the keys of its shortcut instead.
            QAction* action = menu->addAction(tableText(item.textId).section('\t', 0, 0));
            if (item.shortcut) {
                action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            const ControlId id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { logic_.onCommand(id); });
            actions_[id] = action;
        }
    };
    addMenu(ids::FileMenu, kFileMenu);
    addMenu(ids::HelpMenu, kHelpMenu);
}

void QtMainWindow::createControls(QWidget* face) {
    std::vector<QWidget*> inOrder;
    QWidget* previousFocusable = nullptr;
    for (const TemplateControl& row : mainWindowTemplate()) {
        QWidget* widget = createControl(row, face);
        inOrder.push_back(widget);
        if (row.id != ControlId::None)
            controls_[row.id] = widget;
        if (isFocusable(row)) {
            if (previousFocusable)
                QWidget::setTabOrder(previousFocusable, widget);
            previousFocusable = widget;
        }
    }
    // The first control of the template lies on top, the group boxes at the bottom.
    for (QWidget* widget : inOrder)
        widget->lower();
}

QWidget* QtMainWindow::createControl(const TemplateControl& row, QWidget* face) {
    const ControlId id = row.id;
    const QString caption = row.captionId ? tableText(row.captionId) : QString();
    PixelRect rect = dialogRectToPixels(row.rect, units_);
    QWidget* widget = nullptr;
    switch (row.kind) {
    case ControlKind::Edit:
    case ControlKind::PasswordEdit: {
        auto* edit = new QLineEdit(face);
        if (row.kind == ControlKind::PasswordEdit)
            edit->setEchoMode(QLineEdit::Password);
        edit->setValidator(new DeviceTextValidator(logic_, id, edit));
        connect(edit, &QLineEdit::textChanged, this, [this, id] { logic_.onEdited(id); });
        widget = edit;
        break;
    }
    case ControlKind::DropDownList: {
        auto* combo = new QComboBox(face);
        // The template's height is that of the open list; closed, it is as tall as an edit.
        rect.height = dialogRectToPixels({0, 0, 0, 14}, units_).height;
        combo->setMaxVisibleItems(std::max(1, row.rect.height / 10));
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, id] { logic_.onSelectionChanged(id); });
        widget = combo;
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(caption, face);
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, id] { logic_.onCommand(id); });
        widget = button;
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(caption, face);
        connect(box, &QCheckBox::clicked, this, [this, id] { logic_.onCheckBoxClicked(id); });
        widget = box;
        break;
    }
    case ControlKind::StaticText: {
        auto* label = new QLabel(face);
        // Captions come from a resource module, a file: never taken for markup.
        label->setTextFormat(Qt::PlainText);
        label->setText(caption);
        widget = label;
        break;
    }
    case ControlKind::GroupBox:
        widget = new QGroupBox(caption, face);
        break;
    case ControlKind::ListView: {
        auto* view = new QTreeWidget(face);
        view->setRootIsDecorated(false);
        view->setItemsExpandable(false);
        view->setUniformRowHeights(true);
        view->setAllColumnsShowFocus(true);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        const auto columns = id == ControlId::CaList ? caListColumns() : clientListColumns();
        view->setColumnCount(int(columns.size()));
        QStringList headings;
        for (const ListColumn& column : columns)
            headings << (column.headingId ? tableText(column.headingId) : QString());
        view->setHeaderLabels(headings);
        view->header()->setStretchLastSection(false);
        view->header()->setSectionsMovable(false);
        for (int i = 0; i < int(columns.size()); ++i)
            view->setColumnWidth(i, scaleTemplatePixels(columns[std::size_t(i)].width, units_));
        if (row.flags & NoColumnHeader)
            view->setHeaderHidden(true);
        if (row.flags & NoScrolling) {
            view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        }
        if (row.flags & AcceptsDroppedFiles) {
            view->setAcceptDrops(true);
            view->viewport()->setAcceptDrops(true);
            view->viewport()->installEventFilter(this);
        }
        view->installEventFilter(this);
        connect(view, &QTreeWidget::itemSelectionChanged, this,
                [this, id] { logic_.onListSelectionChanged(id); });
        widget = view;
        break;
    }
    }
    // Our fonts run a little wider than the template's; a caption grows to show its whole text
    // (the template leaves room to the right of every label and check box).
    if (row.kind == ControlKind::StaticText || row.kind == ControlKind::CheckBox)
        rect.width = std::max(rect.width, widget->sizeHint().width());
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    if (!isFocusable(row))
        widget->setFocusPolicy(Qt::NoFocus);
    else
        widget->setFocusPolicy((row.flags & TabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    if (row.labelId)
        widget->setAccessibleName(accessibleNameOf(row.labelId));
    return widget;
}

void QtMainWindow::centreOnScreen() {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    adjustSize();
    const QRect area = screen->availableGeometry();
    const QSize frame = frameGeometry().size();
    move(area.x() + (area.width() - frame.width()) / 2,
         area.y() + (area.height() - frame.height()) / 2);
}

QWidget* QtMainWindow::control(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QAction* QtMainWindow::action(ControlId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QTreeWidget* QtMainWindow::list(ControlId id) const {
    return qobject_cast<QTreeWidget*>(control(id));
}

void QtMainWindow::setText(ControlId id, const std::string& text) {
    QWidget* w = control(id);
    const QString value = toQString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        auto* limit =
            dynamic_cast<DeviceTextValidator*>(const_cast<QValidator*>(edit->validator()));
        if (limit)
            limit->setProgramText(*edit, value);
        else
            edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(value);
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(value);
}

std::string QtMainWindow::text(ControlId id) const {
    QWidget* w = control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return fromQString(edit->text());
    if (auto* label = qobject_cast<QLabel*>(w))
        return fromQString(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return fromQString(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w))
        return fromQString(group->title());
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return fromQString(combo->currentText());
    return {};
}

void QtMainWindow::setEnabled(ControlId id, bool enabled) {
    if (QWidget* w = control(id))
        w->setEnabled(enabled);
}

bool QtMainWindow::isEnabled(ControlId id) const {
    QWidget* w = control(id);
    return w && w->isEnabledTo(centralWidget());
}

void QtMainWindow::setVisible(ControlId id, bool visible) {
    if (QWidget* w = control(id))
        w->setVisible(visible);
}

bool QtMainWindow::isVisible(ControlId id) const {
    QWidget* w = control(id);
    return w && !w->isHidden();
}

void QtMainWindow::setChecked(ControlId id, bool checked) {
    if (auto* box = qobject_cast<QAbstractButton*>(control(id)))
        box->setChecked(checked);
}

bool QtMainWindow::isChecked(ControlId id) const {
    auto* box = qobject_cast<QAbstractButton*>(control(id));
    return box && box->isChecked();
}

void QtMainWindow::setTabStop(ControlId id, bool tabStop) {
    if (QWidget* w = control(id))
        w->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void QtMainWindow::setFocus(ControlId id) {
    if (QWidget* w = control(id))
        w->setFocus(Qt::OtherFocusReason);
}

void QtMainWindow::clearComboItems(ControlId id) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id)))
        combo->clear();
}

void QtMainWindow::addComboItem(ControlId id, const std::string& text, int value) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
        // A drop-down list shows no choice until the program or the user makes one.
        const int before = combo->currentIndex();
        combo->addItem(toQString(text), value);
        if (before < 0 && combo->currentIndex() >= 0)
            combo->setCurrentIndex(-1);
    }
}

int QtMainWindow::comboItemCount(ControlId id) const {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo ? combo->count() : 0;
}

int QtMainWindow::comboItemValue(ControlId id, int index) const {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo ? combo->itemData(index).toInt() : 0;
}

int QtMainWindow::selectedComboIndex(ControlId id) const {
    auto* combo = qobject_cast<QComboBox*>(control(id));
    return combo ? combo->currentIndex() : -1;
}

void QtMainWindow::selectComboIndex(ControlId id, int index) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id)))
        combo->setCurrentIndex(index);
}

void QtMainWindow::deleteAllListRows(ControlId id) {
    if (QTreeWidget* view = list(id))
        view->clear();
    if (id == ControlId::CaList) {
        widestValidUntil_ = 0;
        fitValidUntilColumn();
    }
}

void QtMainWindow::insertListRow(ControlId id, int row, const std::string& text) {
    if (QTreeWidget* view = list(id)) {
        auto* item = new QTreeWidgetItem(QStringList{toQString(text)});
        view->insertTopLevelItem(std::clamp(row, 0, view->topLevelItemCount()), item);
    }
}

void QtMainWindow::setListCellText(ControlId id, int row, int column, const std::string& text) {
    QTreeWidget* view = list(id);
    QTreeWidgetItem* item = view ? view->topLevelItem(row) : nullptr;
    if (!item)
        return;
    item->setText(column, toQString(text));
    if (id == ControlId::CaList && column == kValidUntilColumn) {
        const QModelIndex index = view->model()->index(row, column);
        widestValidUntil_ = std::max(widestValidUntil_, view->sizeHintForIndex(index).width());
        fitValidUntilColumn();
    }
}

void QtMainWindow::fitValidUntilColumn() {
    QTreeWidget* view = list(ControlId::CaList);
    if (!view)
        return;
    if (validUntilWidth_ == 0)
        validUntilWidth_ = view->columnWidth(kValidUntilColumn);
    const int width = std::max(validUntilWidth_, widestValidUntil_);
    const int issuer = scaleTemplatePixels(caListColumns()[kIssuerColumn].width, units_);
    view->setColumnWidth(kValidUntilColumn, width);
    view->setColumnWidth(kIssuerColumn, std::max(issuer / 3, issuer - (width - validUntilWidth_)));
}

int QtMainWindow::listRowCount(ControlId id) const {
    QTreeWidget* view = list(id);
    return view ? view->topLevelItemCount() : 0;
}

std::string QtMainWindow::listCellText(ControlId id, int row, int column) const {
    QTreeWidget* view = list(id);
    QTreeWidgetItem* item = view ? view->topLevelItem(row) : nullptr;
    return item ? fromQString(item->text(column)) : std::string();
}

void QtMainWindow::setListColumnWidth(ControlId id, int column, int width) {
    QTreeWidget* view = list(id);
    if (!view)
        return;
    if (id == ControlId::CaList && column == kValidUntilColumn) {
        validUntilWidth_ = scaleTemplatePixels(width, units_);
        fitValidUntilColumn();
        return;
    }
    view->setColumnWidth(column, scaleTemplatePixels(width, units_));
}

int QtMainWindow::selectedListRow(ControlId id) const {
    QTreeWidget* view = list(id);
    if (!view)
        return -1;
    for (int row = 0; row < view->topLevelItemCount(); ++row)
        if (view->topLevelItem(row)->isSelected())
            return row;
    return -1;
}

int QtMainWindow::focusedListRow(ControlId id) const {
    QTreeWidget* view = list(id);
    if (!view || !view->currentItem())
        return -1;
    return view->indexOfTopLevelItem(view->currentItem());
}

void QtMainWindow::setFocusedListRow(ControlId id, int row) {
    QTreeWidget* view = list(id);
    if (QTreeWidgetItem* item = view ? view->topLevelItem(row) : nullptr)
        view->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

void QtMainWindow::refuseInput(ControlId id, const std::string& notice) {
    QApplication::beep();
    QWidget* field = control(id);
    if (field && !notice.empty())
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), toQString(notice),
                           field);
}

void QtMainWindow::setTitle(const std::string& title) {
    // A file name is shown as it is: Qt takes "[*]" in a title for its modified mark, and shows
    // a doubled one as one.
    setWindowTitle(toQString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void QtMainWindow::requestClose() {
    close();
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
    if (!logic_.onCloseRequested()) {
        event->ignore();
        return;
    }
    event->accept();
    if (onClosed_)
        onClosed_();
}

bool QtMainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // Whenever the window itself gains the focus it goes on to the profile name.
    if (event->type() == QEvent::WindowActivate)
        logic_.onFocusGained();
    return handled;
}

namespace {

std::vector<std::string> droppedFiles(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths.push_back(fromQString(url.toLocalFile()));
    return paths;
}

bool holdsProviderConfiguration(const QMimeData& data) {
    for (const std::string& path : droppedFiles(data))
        if (isProviderConfigurationPath(path))
            return true;
    return false;
}

} // namespace

void QtMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (holdsProviderConfiguration(*event->mimeData()))
        event->acceptProposedAction();
}

void QtMainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (holdsProviderConfiguration(*event->mimeData()))
        event->acceptProposedAction();
}

void QtMainWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    logic_.onFilesDropped(ControlId::None, droppedFiles(*event->mimeData()));
}

ControlId QtMainWindow::listOf(QObject* watched) const {
    for (ControlId id : {ControlId::CaList, ControlId::ClientList}) {
        QTreeWidget* view = list(id);
        if (view && (watched == view || watched == view->viewport()))
            return id;
    }
    return ControlId::None;
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
    const ControlId id = listOf(watched);
    if (id == ControlId::None)
        return QMainWindow::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            logic_.onListDeleteKey(id);
            return true;
        }
        // The details a tooltip shows on hover, from the keyboard: the menu key, Shift+F10 or
        // Enter on the row.
        const bool menuKey = key->key() == Qt::Key_Menu ||
                             (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (menuKey || enter) {
            logic_.onListDetailsRequested(id);
            return true;
        }
        break;
    }
    case QEvent::ContextMenu:
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            logic_.onListDetailsRequested(id);
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        logic_.onFilesDropped(id, droppedFiles(*drop->mimeData()));
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace corvane
