// Forms: the test form compiled by uic, the same form loaded at run time, and the Qt Designer
// plugin as Designer loads it. The form's own XML is the reference for what every widget must
// show after loading. The loader and plugin cases are compiled when the build makes those parts
// (configure stops when a part that is on cannot be built), so none of them is ever skipped.

#include "CDial.h"
#include "CEqCurve.h"
#include "CFader.h"
#include "CMeter.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "CSelectButton.h"
#include "CTextSlider.h"
#include "TWidgetCatalogue.h"
#include "TestRig.h"
#include "ui_all_widgets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMetaProperty>
#include <QXmlStreamReader>
#include <QtTest>

#ifdef ZB4R_HAVE_UITOOLS
#include <QUiLoader>
#endif
#ifdef ZB4R_DESIGNER_PLUGIN
#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#endif

#include <algorithm>
#include <memory>

using namespace TestRig;

namespace {

// Binding on a channel other than 0 shows that "FE" follows the channel the form is bound to.
constexpr int kChannel = 2;
enum How { Compiled, Loaded, ThroughPlugin };

// One <property> of a widget in a form, as Designer wrote it.
struct FormProperty
{
    QString widget, className, name;
    int depth = 0; // 1 for the top widget's, 2 for its children's
    QString kind {}; // number, bool, string, enum, set, size, rect, color
    QString text {};
    bool untranslated = false; // a string marked notr
    QMap<QString, int> parts {}; // x/y/width/height, red/green/blue
};

struct FormFile
{
    QList<FormProperty> properties;
    QStringList widgetClasses, widgetNames; // every <widget>, in order
    QMap<QString, QMap<QString, QString>> custom; // <customwidget>: class -> header, extends...
};

QString attr(const QXmlStreamReader &xml, const char *name)
{
    return xml.attributes().value(QLatin1String(name)).toString();
}

// A .ui document: a form file, or what the plugin gives Designer for a new instance.
FormFile readForm(const QByteArray &text)
{
    FormFile form;
    QXmlStreamReader xml(text);
    QStringList widgets, classes; // the open <widget> elements
    while (!xml.atEnd()) {
        xml.readNext();
        const QString tag = xml.name().toString();
        if (xml.isEndElement() && tag == "widget") {
            widgets.removeLast();
            classes.removeLast();
        } else if (!xml.isStartElement()) {
            continue;
        } else if (tag == "widget") {
            widgets << attr(xml, "name");
            classes << attr(xml, "class");
            form.widgetClasses << classes.last();
            form.widgetNames << widgets.last();
        } else if (tag == "property" && !widgets.isEmpty()) {
            FormProperty p {widgets.last(), classes.last(), attr(xml, "name"), int(widgets.size())};
            while (xml.readNextStartElement()) { // one value element
                p.kind = xml.name().toString();
                p.untranslated = attr(xml, "notr") == "true";
                if (p.kind == "size" || p.kind == "color" || p.kind == "rect") {
                    while (xml.readNextStartElement())
                        p.parts.insert(xml.name().toString(), xml.readElementText().toInt());
                } else {
                    p.text = xml.readElementText();
                }
            }
            form.properties << p;
        } else if (tag == "customwidget") {
            QMap<QString, QString> fields; // class, extends, header, container
            while (xml.readNextStartElement())
                fields.insert(xml.name().toString(), xml.readElementText());
            form.custom.insert(fields.value("class"), fields);
        }
    }
    if (xml.hasError())
        form.properties.clear();
    return form;
}

// The value the form asks for, in the property's own type.
QVariant expectedValue(const FormProperty &p, const QMetaProperty &mp)
{
    const auto part = [&p](const char *name) { return p.parts.value(QLatin1String(name)); };
    if (p.kind == "number")
        return p.text.toInt();
    if (p.kind == "bool")
        return p.text == "true";
    if (p.kind == "string")
        return p.text;
    if (p.kind == "enum")
        return mp.enumerator().keyToValue(qPrintable(p.text));
    if (p.kind == "set")
        return mp.enumerator().keysToValue(qPrintable(p.text));
    if (p.kind == "size")
        return QSize(part("width"), part("height"));
    if (p.kind == "rect")
        return QRect(part("x"), part("y"), part("width"), part("height"));
    if (p.kind == "color")
        return QColor(part("red"), part("green"), part("blue"));
    return QVariant();
}

// Enum and flag properties compare as their numbers, pictures by their pixels.
QVariant comparable(const QVariant &value, const QMetaProperty &mp)
{
    if (value.metaType() == QMetaType::fromType<QPixmap>())
        return value.value<QPixmap>().toImage();
    int number = 0;
    if ((mp.isEnumType() || mp.isFlagType())
        && QMetaType::convert(value.metaType(), value.constData(), QMetaType::fromType<int>(),
                              &number))
        return number;
    return value;
}

// The properties the library's classes declare on a catalogue widget (none for another widget).
QList<QMetaProperty> ownProperties(const QWidget *w)
{
    QList<QMetaProperty> own;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(w->metaObject()->className());
    for (const QMetaObject *mo = w->metaObject();
         entry && mo && qstrcmp(mo->className(), entry->extends) != 0; mo = mo->superClass()) {
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
            own << mo->property(i);
    }
    return own;
}

QString headerPath(const QString &file)
{
    return QDir(QString::fromLocal8Bit(ZB4R_WIDGET_HEADER_DIR)).filePath(file);
}

#ifdef ZB4R_HAVE_UITOOLS
// The loader a host writes: the library's widgets by class name, everything else as Qt makes it.
class TCatalogueLoader : public QUiLoader
{
public:
    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        if (QWidget *w = TWidgetCatalogue::createWidget(className, parent, name))
            return w;
        return QUiLoader::createWidget(className, parent, name);
    }
};

// A QUiLoader without the catalogue finds the widgets through the plugin, as Designer does.
void usePlugin(QUiLoader &loader)
{
#ifdef ZB4R_DESIGNER_PLUGIN
    loader.addPluginPath(QFileInfo(QString::fromLocal8Bit(ZB4R_DESIGNER_PLUGIN)).absolutePath());
#else
    Q_UNUSED(loader)
#endif
}
#endif

std::unique_ptr<QWidget> makeForm(int how)
{
    if (how == Compiled) {
        auto form = std::make_unique<QWidget>();
        Ui::AllWidgetsForm().setupUi(form.get());
        return form;
    }
#ifdef ZB4R_HAVE_UITOOLS
    QFile file(QString::fromLocal8Bit(ZB4R_TEST_FORM));
    TCatalogueLoader catalogue;
    QUiLoader plain;
    usePlugin(plain);
    QUiLoader &loader = how == Loaded ? catalogue : plain;
    if (file.open(QIODevice::ReadOnly))
        return std::unique_ptr<QWidget>(loader.load(&file));
#endif
    return nullptr;
}

} // namespace

class tst_Designer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void catalogueEntry_data();
    void catalogueEntry();
    void catalogueFormAndPluginAsAWhole();
    void form_data();
    void form();

private:
    FormFile m_form;
#ifdef ZB4R_DESIGNER_PLUGIN
    QPluginLoader m_plugin;
    QDesignerCustomWidgetCollectionInterface *m_collection = nullptr;
#endif
};

void tst_Designer::initTestCase()
{
    QFile file(QString::fromLocal8Bit(ZB4R_TEST_FORM));
    QVERIFY2(file.open(QIODevice::ReadOnly), ZB4R_TEST_FORM);
    m_form = readForm(file.readAll());
    QVERIFY(!m_form.properties.isEmpty());
#ifdef ZB4R_DESIGNER_PLUGIN
    m_plugin.setFileName(QString::fromLocal8Bit(ZB4R_DESIGNER_PLUGIN));
    m_collection = qobject_cast<QDesignerCustomWidgetCollectionInterface *>(m_plugin.instance());
    QVERIFY2(m_collection, qPrintable(m_plugin.errorString()));
#endif
}

void tst_Designer::catalogueEntry_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < TWidgetCatalogue::entries().size(); ++i)
        QTest::newRow(qPrintable(TWidgetCatalogue::entries().at(i).className())) << i;
}

void tst_Designer::catalogueEntry()
{
    QFETCH(int, index);
    const TWidgetCatalogueEntry &entry = TWidgetCatalogue::entries().at(index);
    const QString name = entry.className();
    QCOMPARE(TWidgetCatalogue::find(name), &entry);
    std::unique_ptr<QWidget> w(TWidgetCatalogue::createWidget(name, nullptr, QStringLiteral("x")));
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), name);
    QCOMPARE(w->objectName(), QStringLiteral("x"));
    QVERIFY2(w->inherits(entry.extends), entry.extends);
    QVERIFY(entry.defaultSize.isValid() && !entry.defaultSize.isEmpty());
    QVERIFY(qstrlen(entry.toolTip) > 0);
    // The include file is a header of the library that declares the class, and the form's.
    QFile header(headerPath(QString::fromLatin1(entry.includeFile)));
    QVERIFY2(header.open(QIODevice::ReadOnly), entry.includeFile);
    QVERIFY(header.readAll().contains("class ZB4R_WIDGETS_EXPORT " + name.toLatin1() + " :"));
    QCOMPARE(m_form.custom.value(name).value("header"), QString::fromLatin1(entry.includeFile));
    QVERIFY(m_form.widgetClasses.contains(name));
    // A row names a sample address exactly when its widget is bound; every bound widget keeps
    // its address out of translation.
    const bool bound = dynamic_cast<TMemProxy *>(w.get()) != nullptr;
    QCOMPARE(entry.sampleAddress != nullptr, bound);
    QCOMPARE(entry.untranslatedProperties().contains(QStringLiteral("namedAddress")), bound);
    // Designer lists an enum property by its names only when the enum is registered.
    for (const QMetaProperty &mp : ownProperties(w.get())) {
        if (!(mp.metaType().flags() & QMetaType::IsEnumeration))
            continue;
        QVERIFY2(mp.isEnumType() && mp.enumerator().keyCount() > 1, mp.name());
        QVERIFY2(mp.enumerator().valueToKey(comparable(w->property(mp.name()), mp).toInt()),
                 mp.name());
    }

#ifdef ZB4R_DESIGNER_PLUGIN
    QDesignerCustomWidgetInterface *plugin = nullptr;
    for (QDesignerCustomWidgetInterface *offered : m_collection->customWidgets())
        plugin = offered->name() == name ? offered : plugin;
    QVERIFY(plugin);
    QVERIFY(!plugin->toolTip().isEmpty() && !plugin->whatsThis().isEmpty());
    QCOMPARE(plugin->isContainer(), entry.container);
    QVERIFY(!plugin->icon().pixmap(QSize(22, 22)).toImage().isNull());
    plugin->initialize(nullptr);
    QVERIFY(plugin->isInitialized());
    QCOMPARE(plugin->includeFile(), QString::fromLatin1(entry.includeFile));
    QWidget parent;
    QWidget *made = plugin->createWidget(&parent);
    QVERIFY(made);
    QCOMPARE(made->parentWidget(), &parent);
    QCOMPARE(QString::fromLatin1(made->metaObject()->className()), name);
    QCOMPARE(dynamic_cast<TMemProxy *>(made) != nullptr, bound);

    // What Designer puts in a form for a new instance: the default size, and the strings kept
    // out of translation, each the widget's own default (a value format, say), not empty.
    const FormFile dom = readForm(plugin->domXml().toUtf8());
    QVERIFY(!dom.properties.isEmpty());
    QCOMPARE(dom.widgetClasses.first(), name);
    QVERIFY(!dom.widgetNames.first().isEmpty());
    QStringList untranslated;
    for (const FormProperty &p : dom.properties) {
        if (p.depth > 1) {
            continue; // the properties of a page are Qt's
        } else if (p.name == "geometry") {
            QCOMPARE(QSize(p.parts.value("width"), p.parts.value("height")), entry.defaultSize);
        } else {
            QVERIFY2(p.kind == "string" && p.untranslated, qPrintable(p.name));
            QCOMPARE(p.text, made->property(qPrintable(p.name)).toString());
            if (p.name == "formatLabel")
                QCOMPARE(p.text, QStringLiteral("%0.1f"));
            untranslated << p.name;
        }
    }
    QCOMPARE(untranslated, entry.untranslatedProperties());
    const QMap<QString, QString> custom = dom.custom.value(name);
    QCOMPARE(custom.value("header"), plugin->includeFile());
    QVERIFY(made->inherits(qPrintable(custom.value("extends"))));
    // A container starts with what it holds: a page, or the page stack it switches.
    QCOMPARE(custom.value("container") == "1", entry.container);
    QCOMPARE(dom.widgetClasses.size() > 1, entry.container);
    if (entry.container)
        QCOMPARE(dom.widgetClasses.at(1),
                 made->inherits("QTabWidget") ? "QWidget" : "QStackedWidget");
#endif
}

void tst_Designer::catalogueFormAndPluginAsAWhole()
{
    QStringList names = TWidgetCatalogue::classNames();
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), TWidgetCatalogue::entries().size());
    names.sort();
    QCOMPARE(m_form.custom.keys(), names);
    QWidget parent;
    for (const QString &unknown : {QString(), QStringLiteral("QLabel"), QStringLiteral("CSlider"),
                                   QStringLiteral("CPopupItem"), QStringLiteral("cdial")}) {
        QVERIFY(!TWidgetCatalogue::find(unknown));
        QVERIFY(!TWidgetCatalogue::createWidget(unknown, &parent, QStringLiteral("x")));
    }
    QVERIFY(parent.children().isEmpty());
    // The slider's tick marks, the switch's two triggers, the meter's selector at least.
    int enums = 0;
    for (const TWidgetCatalogueEntry &e : TWidgetCatalogue::entries()) {
        const std::unique_ptr<QWidget> w(e.create(nullptr));
        for (const QMetaProperty &mp : ownProperties(w.get()))
            enums += mp.metaType().flags() & QMetaType::IsEnumeration ? 1 : 0;
    }
    QVERIFY(enums >= 4);

#ifdef ZB4R_DESIGNER_PLUGIN
    QCOMPARE(m_plugin.metaData().value(QLatin1String("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface"));
    // The same instance on every load, as Designer expects of a plugin.
    QCOMPARE(QPluginLoader(m_plugin.fileName()).instance(), m_plugin.instance());
    QStringList offered;
    QSet<QString> groups;
    QSet<QByteArray> pictures; // each kind of widget has its own picture
    QSet<int> glyphs;
    for (QDesignerCustomWidgetInterface *w : m_collection->customWidgets()) {
        offered << w->name();
        groups << w->group();
        const QImage image = w->icon().pixmap(QSize(32, 32)).toImage();
        pictures << QByteArray(reinterpret_cast<const char *>(image.constBits()),
                               image.sizeInBytes());
        glyphs << TWidgetCatalogue::find(w->name())->glyph;
    }
    offered.sort();
    QCOMPARE(offered, names);
    QCOMPARE(groups, QSet<QString>({QStringLiteral("zb4r Console Widgets")}));
    QCOMPARE(pictures.size(), glyphs.size());
#ifdef ZB4R_HAVE_UITOOLS
    QUiLoader plain;
    usePlugin(plain);
    for (const QString &cls : names)
        QVERIFY2(plain.availableWidgets().contains(cls), qPrintable(cls));
#endif
#endif
}

void tst_Designer::form_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("uic") << int(Compiled);
#ifdef ZB4R_HAVE_UITOOLS
    QTest::newRow("QUiLoader") << int(Loaded);
#ifdef ZB4R_DESIGNER_PLUGIN
    QTest::newRow("QUiLoader through the plugin") << int(ThroughPlugin);
#endif
#endif
}

void tst_Designer::form()
{
    QFETCH(int, how);
    TParamMemory memory; // outlives the form's bound widgets
    std::unique_ptr<QWidget> form = makeForm(how);
    QVERIFY(form);

    // A loaded form holds the compiled form's widgets (a dial's tip label is an unnamed helper,
    // not part of the form), and every designable property of the library's classes reads the
    // same.
    const std::unique_ptr<QWidget> compiled = makeForm(Compiled);
    const auto named = [](QWidget *f) {
        QList<QWidget *> widgets;
        for (QWidget *w : f->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            widgets << (w->objectName().isEmpty() ? nullptr : w);
        widgets.removeAll(nullptr);
        return widgets;
    };
    QCOMPARE(form->objectName(), compiled->objectName());
    QCOMPARE(named(form.get()).size(), m_form.widgetClasses.size() - 1);
    for (QWidget *w : named(compiled.get())) {
        QWidget *twin = form->findChild<QWidget *>(w->objectName(), Qt::FindDirectChildrenOnly);
        QVERIFY2(twin, qPrintable(w->objectName()));
        QCOMPARE(QByteArray(twin->metaObject()->className()),
                 QByteArray(w->metaObject()->className()));
        QCOMPARE(twin->geometry(), w->geometry());
        for (const QMetaProperty &mp : ownProperties(w)) {
            if (mp.isDesignable() && mp.isWritable())
                QCOMPARE(comparable(twin->property(mp.name()), mp),
                         comparable(w->property(mp.name()), mp));
        }
    }

    // Shown, every property the XML sets reads back in the property's type.
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    int checked = 0;
    for (const FormProperty &p : qAsConst(m_form.properties)) {
        if (p.depth < 2 || p.name == "geometry")
            continue;
        const QString where = p.widget + QLatin1Char('.') + p.name;
        QWidget *w = form->findChild<QWidget *>(p.widget);
        QVERIFY2(w, qPrintable(where));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), p.className);
        const QMetaProperty mp =
                w->metaObject()->property(w->metaObject()->indexOfProperty(qPrintable(p.name)));
        const QVariant expected = expectedValue(p, mp);
        QVERIFY2(mp.isValid() && expected.isValid(), qPrintable(where));
        QCOMPARE(comparable(w->property(mp.name()), mp), expected);
        // The form sets something a fresh widget does not have, so a setter that drops its
        // value would show.
        if (const std::unique_ptr<QWidget> fresh {TWidgetCatalogue::createWidget(p.className)}) {
            QVERIFY2(comparable(fresh->property(mp.name()), mp) != expected, qPrintable(where));
            ++checked;
        }
    }
    // Several properties for every catalogue widget.
    QVERIFY(checked >= 3 * TWidgetCatalogue::entries().size());

    // Every widget with an address is bound, on the channel the form is bound to.
    QList<TMemProxy *> addressed;
    for (QObject *o : form->findChildren<QObject *>()) {
        if (auto *proxy = dynamic_cast<TMemProxy *>(o); proxy && !proxy->namedAddress().isEmpty())
            addressed << proxy;
    }
    const auto &entries = TWidgetCatalogue::entries();
    QVERIFY(addressed.size() >= std::count_if(entries.begin(), entries.end(),
                                              [](const auto &e) { return e.sampleAddress; }));
    QCOMPARE(memory.connectTree(form.get(), kChannel), addressed.size());
    for (TMemProxy *proxy : qAsConst(addressed)) {
        QCOMPARE(proxy->memAPI(), static_cast<IMemAPI *>(&memory));
        // A select key binds channel 0, where the selection lives, and stands for the form's.
        if (auto *key = dynamic_cast<CSelectButton *>(proxy))
            QCOMPARE(int(key->selectValue()), kChannel + int(key->selBaseOffset()));
        else
            QCOMPARE(proxy->channel(), kChannel);
    }

    auto *dial = form->findChild<CDial *>(QStringLiteral("gainDial"));
    auto *gainText = form->findChild<CTextSlider *>(QStringLiteral("gainTextSlider"));
    auto *label = form->findChild<QLabel *>(QStringLiteral("gainText"));
    auto *fader = form->findChild<CFader *>(QStringLiteral("levelFader"));
    auto *button = form->findChild<COnOffButton *>(QStringLiteral("onButton"));
    auto *patch = form->findChild<CPopup *>(QStringLiteral("patchSelector"));
    auto *curve = form->findChild<CEqCurve *>(QStringLiteral("eqCurve"));
    auto *meter = form->findChild<CMeter *>(QStringLiteral("levelMeter"));
    QVERIFY(dial && gainText && label && fader && button && patch && curve && meter);
    // Writes come from a worker thread (the memory then notifies there).
    const auto write = [&](const TMemProxy &proxy, int v) {
        runOnWorker([&] { writeFor(memory, proxy, v); });
        settle();
    };
    // Continuous controls take a value part-way up their range.
    const auto midRange = [&](const TMemProxy &proxy, int divisor) {
        const int lo = memory.getMinimum(proxy.element(), proxy.parameter(), proxy.channel());
        const int hi = memory.getMaximum(proxy.element(), proxy.parameter(), proxy.channel());
        const int v = lo + (hi - lo) / divisor;
        return v == storedFor(memory, proxy) ? v + 1 : v;
    };
    QSignalSpy texts(dial, &CDial::textualValueChange);
    const int gain = midRange(*dial, 3);
    write(*dial, gain);
    QCOMPARE(dial->value(), gain);
    // The text slider on the same address follows in whole dB, as the form asks.
    QCOMPARE(gainText->value(), gain);
    QCOMPARE(gainText->text(), QStringLiteral("%1 dB").arg(gain));
    // The form's connection carries the new value's text.
    QCOMPARE(texts.size(), 1);
    QVERIFY(!label->text().isEmpty());
    QCOMPARE(label->text(), texts.last().at(0).toString());
    const int level = midRange(*fader, 2);
    write(*fader, level);
    QCOMPARE(fader->value(), level);

    // The switch shows both raw values, the form's inverted logic applied.
    const int first = storedFor(memory, *button) == 0 ? 1 : 0;
    QList<bool> shown;
    for (int raw : {first, 1 - first}) {
        write(*button, raw);
        QCOMPARE(button->isChecked(), button->isOnValue(raw));
        shown << button->isChecked();
    }
    QVERIFY(shown.at(0) != shown.at(1));
    QCOMPARE(button->isOnValue(1), !button->invertedLogic());

    // The selector shows the name of the new value.
    const int lo = memory.getMinimum(patch->element(), patch->parameter(), patch->channel());
    const int raw = storedFor(memory, *patch) == lo + 3 ? lo + 4 : lo + 3;
    write(*patch, raw);
    const int index = patch->indexFromRawValue(raw);
    QVERIFY(index >= 0 && index < patch->labelList().size());
    QCOMPARE(patch->currentSelection(), index);
    QCOMPARE(patch->text(), patch->labelList().at(index));

    // A band gain of the bound EQ reshapes the curve.
    Watcher band;
    QVERIFY(TestRig::bind(memory, band, QStringLiteral("FEkInputEQ/kBandGain2"), kChannel));
    const int recalculations = curve->recalculationCount();
    const auto gains = [curve] {
        QVector<int> g;
        for (int i = 0; i < curve->dataset().count; ++i)
            g << curve->dataset().bands[i].gain;
        return g;
    };
    const QVector<int> before = gains();
    const int hi = memory.getMaximum(band.element(), band.parameter(), band.channel());
    write(band, storedFor(memory, band) == hi / 2 ? hi / 3 : hi / 2);
    QVERIFY(curve->recalculationCount() > recalculations);
    QVERIFY(gains() != before);

    // A level fed from another thread lights the form's meter.
    int lit = 0;
    for (int candidate : {1000, 2000, 3000, 4000})
        lit = lit == 0 && meter->meterLevelIndex(candidate) != meter->value() ? candidate : lit;
    QVERIFY(lit > 0);
    QVERIFY(runOnWorker([&] {
        memory.pushMeterLevel(meter->element(), meter->parameter(), meter->channel(), lit, lit);
    }));
    settle();
    QCOMPARE(meter->value(), meter->meterLevelIndex(lit));

    // The user turns the knob: the memory takes the value, the form's connection the text.
    const int turned = storedFor(memory, *dial);
    dial->setFocus();
    QTest::keyClick(dial, turned < dial->maximum() ? Qt::Key_Up : Qt::Key_Down);
    settle();
    QVERIFY(storedFor(memory, *dial) != turned);
    QCOMPARE(storedFor(memory, *dial), dial->value());
    QCOMPARE(label->text(), texts.last().at(0).toString());
}

QTEST_MAIN(tst_Designer)
#include "tst_designer.moc"
