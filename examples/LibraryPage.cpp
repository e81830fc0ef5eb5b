#include "LibraryPage.h"

#include "COnOffButton.h"
#include "DemoSwitch.h"
#include "ListWidge.h"
#include "ListWidgeItem.h"
#include "TMapPreferences.h"
#include "TParamMemory.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDataStream>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

constexpr int kSlots = 24;
constexpr int kStrips = 8;
constexpr int kPlaceholderSlot = 5;
// Value names of the reverb types: the demo's scene categories.
constexpr int kCategoryTable = 26;
constexpr int kSceneContent = 1;
constexpr int kEqContent = 2;

// A library slot holding a snapshot of a set of parameters.
class DemoLibraryRow : public CListWidgeItem
{
public:
    DemoLibraryRow(CListWidge *list, int slot, TParamMemory *memory,
                   QList<IMemAPI::TSingleAddress> addresses, const QString &library,
                   TMapPreferences *prefs)
        : CListWidgeItem(slot, list)
        , m_slot(slot)
        , m_memory(memory)
        , m_addresses(std::move(addresses))
        , m_library(library)
        , m_prefs(prefs)
    {
        setFlags(flags() | Qt::ItemIsDragEnabled);
    }

    int compare(CListWidgeItem *other, int, bool) const override { return m_slot - other->tag(); }
    int slotNumber() override { return m_slot; }
    QString cellText(int column, int) override
    {
        switch (column) {
        case 0:
            return QString::asprintf("%03d", m_slot);
        case 1:
            return m_used ? m_title : QString();
        case 2:
            return m_used && m_category >= 0 ? categoryName() : QString();
        default:
            return QString();
        }
    }
    QPixmap cellPixmap(int, bool) override
    {
        QPixmap pm(12, 12);
        pm.fill(Qt::transparent);
        if (m_protected) {
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor(240, 180, 60));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(2, 5, 8, 6), 1, 1);
            p.setPen(QPen(QColor(240, 180, 60), 1.5));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3.5, 1.5, 5, 7), 0, 180 * 16);
        }
        return pm;
    }
    bool getSlotData(QByteArray &data) override
    {
        data = m_data;
        return true;
    }
    void setSlotData(const QByteArray &data) override
    {
        keepUndo();
        m_data = data;
        m_used = true;
        QDataStream in(m_data);
        in.skipRawData(int(m_addresses.size() * sizeof(qint32)));
        in >> m_title >> m_category;
    }
    bool isTextCell(int column, int) override { return column < 3; }
    void popupDone(int, int selection, int) override
    {
        keepUndo();
        m_category = selection;
        rewrite();
    }
    void editDone(int, const QString &text) override
    {
        keepUndo();
        m_title = text;
        rewrite();
    }
    QString storeSlot() override
    {
        if (m_slot == 0)
            return QStringLiteral("Slot 0 is read only.");
        keepUndo();
        if (!m_used)
            m_title = QStringLiteral("%1 %2").arg(m_library).arg(m_slot);
        m_used = true;
        rewrite(true);
        return {};
    }
    QString recallSlot() override
    {
        QDataStream in(m_data);
        const int source = m_memory->sourceId(0) + 1;
        for (const IMemAPI::TSingleAddress &a : m_addresses) {
            qint32 v = 0;
            in >> v;
            m_memory->setValue(a.element, a.parameter, a.channel, v, source, 1);
        }
        return {};
    }
    QString clearSlot() override
    {
        keepUndo();
        m_used = false;
        m_data.clear();
        m_title.clear();
        m_category = -1;
        return {};
    }
    void undoSlot() override
    {
        if (!m_hasUndo)
            return;
        std::swap(m_data, m_undoData);
        std::swap(m_used, m_undoUsed);
        m_hasUndo = false;
        if (m_used)
            setSlotData(m_data);
        m_hasUndo = false;
    }
    QString toggleProtect() override
    {
        m_protected = !m_protected;
        return {};
    }
    bool isReadOnly() override { return m_slot == 0; }
    bool isProtected() override { return m_protected; }
    bool isUsed() override { return m_used; }
    bool undoAvailable() override { return m_hasUndo; }
    IPreferenceSource *preferenceSource() override { return m_prefs; }
    void clearUndo() override { m_hasUndo = false; }
    QString libraryName() override { return m_library; }
    bool doubleClicked(int column, const QPoint &) override
    {
        if (!m_used || isReadOnly())
            return false;
        QRect r = list()->visualItemRect(this);
        const int x = list()->header()->sectionViewportPosition(column);
        r = QRect(x, r.top(), list()->columnWidth(column), r.height());
        if (column == 1) {
            QString text = m_title;
            list()->doEditBox(this, 1, text, r, 16);
        } else if (column == 2) {
            list()->doPopup(this, 2, 0, r, qMax(0, m_category), m_memory, kCategoryTable,
                            QSize(56, 16));
        }
        return false;
    }

    void preset(const QString &title, int category)
    {
        m_used = true;
        m_title = title;
        m_category = category;
        rewrite(true);
    }

private:
    QString categoryName()
    {
        QStringList names;
        m_memory->dynamicStringList(kCategoryTable, &names);
        return m_category < names.size() ? names.at(m_category) : QString();
    }
    void keepUndo()
    {
        m_undoData = m_data;
        m_undoUsed = m_used;
        m_hasUndo = true;
    }
    // The slot's record: the parameter values, then the title and the category.
    void rewrite(bool snapshot = false)
    {
        QList<qint32> values;
        if (snapshot || m_data.isEmpty()) {
            for (const IMemAPI::TSingleAddress &a : m_addresses)
                values.append(m_memory->getValue(a.element, a.parameter, a.channel));
        } else {
            QDataStream in(m_data);
            for (int i = 0; i < m_addresses.size(); ++i) {
                qint32 v = 0;
                in >> v;
                values.append(v);
            }
        }
        m_data.clear();
        QDataStream out(&m_data, QIODevice::WriteOnly);
        for (qint32 v : values)
            out << v;
        out << m_title << m_category;
    }

    int m_slot;
    TParamMemory *m_memory;
    QList<IMemAPI::TSingleAddress> m_addresses;
    QString m_library;
    TMapPreferences *m_prefs;
    QByteArray m_data, m_undoData;
    QString m_title;
    qint32 m_category = -1;
    bool m_used = false, m_undoUsed = false, m_hasUndo = false, m_protected = false;
};

QList<IMemAPI::TSingleAddress> addressesOf(TParamMemory *memory, const QString &section,
                                           const QStringList &keys, int channels)
{
    QList<IMemAPI::TSingleAddress> out;
    const int element = memory->sectionElement(section);
    for (int c = 0; c < channels; ++c) {
        for (int p : memory->parameters(element)) {
            if (keys.isEmpty() || keys.contains(memory->parameterKey(element, p))) {
                IMemAPI::TSingleAddress a;
                a.element = qint16(element);
                a.parameter = qint16(p);
                a.channel = qint16(c);
                out.append(a);
            }
        }
    }
    return out;
}

CListWidge *makeList(QWidget *parent, const char *name, const QString &titles, const QString &sizes,
                     int contentType)
{
    auto *list = new CListWidge(parent, name);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, QColor(19, 21, 72));
    list->setPalette(pal);
    list->viewport()->setPalette(pal);
    list->setColTitles(titles);
    list->setColSizes(sizes);
    list->setRowHeight(20);
    list->setContentType(contentType);
    int width = 4 + list->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < list->columnCount(); ++c)
        width += list->getTitleWidth(unsigned(c));
    list->setFixedSize(width, 360);
    return list;
}

void fillLibrary(CListWidge *list, TParamMemory *memory,
                 const QList<IMemAPI::TSingleAddress> &addresses, const QString &library,
                 TMapPreferences *prefs)
{
    for (int s = 0; s < kSlots; ++s) {
        auto *row = new DemoLibraryRow(list, s, memory, addresses, library, prefs);
        if (s == kPlaceholderSlot)
            row->setPlaceholder(true);
    }
}

} // namespace

LibraryPage::LibraryPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_prefs(new TMapPreferences)
{
    auto *page = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("LIBRARY"), this);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    page->addWidget(title);

    auto *lists = new QHBoxLayout;
    m_scenes = makeList(this, "sceneLibrary", QStringLiteral("No.;Scene:Title:Category;"),
                        QStringLiteral("36.2;150.2:80.6;16"), kSceneContent);
    m_eqs = makeList(this, "eqLibrary", QStringLiteral("No.;Input EQ:Title"),
                     QStringLiteral("36.2;150.6;16"), kEqContent);
    const auto sceneAddresses = addressesOf(
            memory, QStringLiteral("kInput"),
            {QStringLiteral("kFader"), QStringLiteral("kOn"), QStringLiteral("kPan")}, kStrips);
    const auto eqAddresses = addressesOf(memory, QStringLiteral("kInputEQ"), {}, 1);
    fillLibrary(m_scenes, memory, sceneAddresses, QStringLiteral("Scene"), m_prefs.get());
    fillLibrary(m_eqs, memory, eqAddresses, QStringLiteral("Input EQ"), m_prefs.get());
    static_cast<DemoLibraryRow *>(m_scenes->topLevelItem(0))
            ->preset(QStringLiteral("Initial Data"), 0);
    static_cast<DemoLibraryRow *>(m_scenes->topLevelItem(1))
            ->preset(QStringLiteral("Sound check"), 1);
    static_cast<DemoLibraryRow *>(m_eqs->topLevelItem(1))->preset(QStringLiteral("Flat"), -1);
    m_scenes->setPartner(m_eqs);
    m_eqs->setPartner(m_scenes);
    lists->addWidget(m_scenes);
    lists->addWidget(m_eqs);
    lists->addStretch(1);
    page->addLayout(lists);

    // Command buttons act on the list that had the focus last.
    auto *commands = new QGridLayout;
    const char *names[] = {"STORE", "RECALL", "CLEAR", "UNDO", "PROTECT"};
    COnOffButton *buttons[5];
    for (int i = 0; i < 5; ++i) {
        buttons[i] = makeDemoSwitch(this, "libraryCommand", "button_on.png");
        buttons[i]->setObjectName(QString::fromLatin1(names[i]).toLower());
        buttons[i]->setFixedSize(48, 18);
        buttons[i]->setDisableAutoHide(true);
        auto *caption = new QLabel(QString::fromLatin1(names[i]), this);
        caption->setAlignment(Qt::AlignCenter);
        caption->setStyleSheet(QStringLiteral("color: #a0a4aa; font-size: 8px;"));
        commands->addWidget(buttons[i], 0, i, Qt::AlignCenter);
        commands->addWidget(caption, 1, i);
    }
    m_scenes->setStore(buttons[0]);
    m_scenes->setRecall(buttons[1]);
    m_scenes->setClear(buttons[2]);
    m_scenes->setUndo(buttons[3]);
    m_scenes->setProtect(buttons[4]);
    connect(buttons[0], &QPushButton::clicked, m_scenes, [this] { m_scenes->Store(); });
    connect(buttons[1], &QPushButton::clicked, m_scenes, [this] { m_scenes->Recall(); });
    connect(buttons[2], &QPushButton::clicked, m_scenes, [this] { m_scenes->Clear(); });
    connect(buttons[3], &QPushButton::clicked, m_scenes, [this] { m_scenes->Undo(true); });
    connect(buttons[4], &QPushButton::clicked, m_scenes, [this] { m_scenes->Protect(); });
    auto *confirmStore = new QCheckBox(QStringLiteral("Confirm store"), this);
    auto *confirmRecall = new QCheckBox(QStringLiteral("Confirm recall"), this);
    connect(confirmStore, &QCheckBox::toggled, this,
            [this](bool on) { m_prefs->setValue(TMapPreferences::ConfirmStore, on); });
    connect(confirmRecall, &QCheckBox::toggled, this,
            [this](bool on) { m_prefs->setValue(TMapPreferences::ConfirmRecall, on); });
    confirmStore->setChecked(true);
    commands->addWidget(confirmStore, 0, 5);
    commands->addWidget(confirmRecall, 1, 5);
    commands->setColumnStretch(6, 1);
    page->addLayout(commands);

    // The channel switches a scene holds, to watch a recall move them.
    auto *strips = new QGridLayout;
    for (int c = 0; c < kStrips; ++c) {
        auto *on = makeDemoSwitch(this, "libraryStripOn", "button_on.png");
        on->setFixedSize(48, 18);
        on->setNamedAddress(QStringLiteral("%1kInput/kOn").arg(c, 2, 16, QLatin1Char('0')));
        auto *caption = new QLabel(QStringLiteral("CH %1 ON").arg(c + 1), this);
        caption->setStyleSheet(QStringLiteral("color: #a0a4aa; font-size: 8px;"));
        caption->setAlignment(Qt::AlignCenter);
        strips->addWidget(on, 0, c, Qt::AlignCenter);
        strips->addWidget(caption, 1, c);
    }
    strips->setColumnStretch(kStrips, 1);
    page->addLayout(strips);
    page->addStretch(1);

    m_scenes->topLevelItem(1)->setSelected(true);
    m_scenes->slotSelectionChanged();
}

LibraryPage::~LibraryPage()
{
    // The rows ask the preferences while the lists go.
    delete m_scenes;
    delete m_eqs;
}
