// Forms: the test form compiled by uic, the same form loaded at run time, and the Qt Designer
// plugin as Designer loads it. The form's own XML is the reference for what every widget must
// show after loading. The loader and plugin cases are compiled when the build makes those parts
// (configure stops when a part that is on cannot be built), so none of them is ever skipped.

#include "CDial.h"
#include "CEqCurve.h"
#include "CFader.h"
#include "CSelectButton.h"
#include "CMeter.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "CTextSlider.h"
#include "TParamMemory.h"
#include "TWidgetCatalogue.h"
#include "ui_all_widgets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QThread>
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
#include <functional>
#include <memory>

namespace {

// Binding on a channel other than 0 shows that "FE" follows the channel the form is bound to.
constexpr int kChannel = 2;
const char *const kCompiled = "compiled by uic";
const char *const kLoaded = "loaded by QUiLoader";

// One <property> of a widget in the form, as Designer wrote it.
struct FormProperty
{
    QString widget;
    QString className;
    QString name;
    QString kind; // number, bool, string, enum, set, size, color
    QString text;
    QMap<QString, int> parts; // width/height, red/green/blue
};

struct FormFile
{
    QList<FormProperty> properties;
    QStringList widgetClasses; // every <widget> class, in order
    QStringList customClasses; // the <customwidgets> section
    QMap<QString, QString> customHeaders; // class -> header
};

void readProperty(QXmlStreamReader &xml, FormProperty &p)
{
    // Inside <property>: one value element.
    while (xml.readNextStartElement()) {
        p.kind = xml.name().toString();
        if (p.kind == QLatin1String("size") || p.kind == QLatin1String("color")
            || p.kind == QLatin1String("rect")) {
            while (xml.readNextStartElement())
                p.parts.insert(xml.name().toString(), xml.readElementText().toInt());
        } else {
            p.text = xml.readElementText();
        }
    }
}

FormFile readForm(const QString &path)
{
    FormFile form;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return form;
    QXmlStreamReader xml(&file);
    QStringList widgets; // open <widget> names
    QStringList classes;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("widget")) {
            widgets.append(xml.attributes().value(QLatin1String("name")).toString());
            classes.append(xml.attributes().value(QLatin1String("class")).toString());
            form.widgetClasses.append(classes.last());
        } else if (xml.isEndElement() && xml.name() == QLatin1String("widget")) {
            widgets.removeLast();
            classes.removeLast();
        } else if (xml.isStartElement() && xml.name() == QLatin1String("property")
                   && widgets.size() > 1) {
            FormProperty p;
            p.widget = widgets.last();
            p.className = classes.last();
            p.name = xml.attributes().value(QLatin1String("name")).toString();
            readProperty(xml, p);
            if (p.name != QLatin1String("geometry"))
                form.properties.append(p);
        } else if (xml.isStartElement() && xml.name() == QLatin1String("customwidget")) {
            QString cls;
            QString header;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("class"))
                    cls = xml.readElementText();
                else if (xml.name() == QLatin1String("header"))
                    header = xml.readElementText();
                else
                    xml.skipCurrentElement();
            }
            form.customClasses.append(cls);
            form.customHeaders.insert(cls, header);
        }
    }
    if (xml.hasError())
        form.properties.clear();
    return form;
}

// The value the form asks for, in the property's own type.
QVariant expectedValue(const FormProperty &p, const QMetaProperty &mp)
{
    if (p.kind == QLatin1String("number"))
        return p.text.toInt();
    if (p.kind == QLatin1String("bool"))
        return p.text == QLatin1String("true");
    if (p.kind == QLatin1String("string"))
        return p.text;
    if (p.kind == QLatin1String("enum"))
        return mp.enumerator().keyToValue(p.text.toLatin1().constData());
    if (p.kind == QLatin1String("set"))
        return mp.enumerator().keysToValue(p.text.toLatin1().constData());
    if (p.kind == QLatin1String("size"))
        return QSize(p.parts.value(QStringLiteral("width")),
                     p.parts.value(QStringLiteral("height")));
    if (p.kind == QLatin1String("rect"))
        return QRect(p.parts.value(QStringLiteral("x")), p.parts.value(QStringLiteral("y")),
                     p.parts.value(QStringLiteral("width")),
                     p.parts.value(QStringLiteral("height")));
    if (p.kind == QLatin1String("color"))
        return QColor(p.parts.value(QStringLiteral("red")), p.parts.value(QStringLiteral("green")),
                      p.parts.value(QStringLiteral("blue")));
    return QVariant();
}

// Enum and flag properties compare as their numbers, pictures by their pixels.
QVariant comparable(const QVariant &value, const QMetaProperty &mp)
{
    if (value.metaType() == QMetaType::fromType<QPixmap>())
        return value.value<QPixmap>().toImage();
    if (mp.isEnumType() || mp.isFlagType()) {
        int number = 0;
        if (QMetaType::convert(value.metaType(), value.constData(), QMetaType::fromType<int>(),
                               &number))
            return number;
    }
    return value;
}

QString formPath()
{
    return QString::fromLocal8Bit(ZB4R_TEST_FORM);
}

void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs fn on a worker thread (the memory then notifies there) and lets the GUI thread take the
// hand-over.
void onWorker(const std::function<void()> &fn)
{
    std::unique_ptr<QThread> worker(QThread::create(fn));
    worker->start();
    worker->wait();
    settle();
}

IMemAPI::TSingleAddress boundAddress(const TMemProxy *proxy)
{
    IMemAPI::TSingleAddress a;
    a.element = proxy->element();
    a.parameter = proxy->parameter();
    a.channel = proxy->channel();
    return a;
}

void writeValue(TParamMemory &memory, const IMemAPI::TSingleAddress &a, int value)
{
    onWorker([&] {
        memory.setValue(a.element, a.parameter, a.channel, value, memory.sourceId(0), 1);
    });
}

int memoryValue(TParamMemory &memory, const IMemAPI::TSingleAddress &a)
{
    return memory.getValue(a.element, a.parameter, a.channel);
}

// Catalogue widgets bound to the memory (the others are fed by them).
int boundEntryCount()
{
    int count = 0;
    for (const TWidgetCatalogueEntry &e : TWidgetCatalogue::entries()) {
        std::unique_ptr<QWidget> w(e.create(nullptr));
        count += dynamic_cast<TMemProxy *>(w.get()) ? 1 : 0;
    }
    return count;
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
#endif

} // namespace

class tst_Designer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void catalogueDescribesItsWidgets();
    void catalogueIgnoresUnknownClasses();
    void testFormUsesEveryCatalogueWidget();

    void formSetsEveryProperty_data();
    void formSetsEveryProperty();
    void formFollowsTheMemory_data();
    void formFollowsTheMemory();
    void formConnectionsCarryUserChanges_data();
    void formConnectionsCarryUserChanges();
#ifdef ZB4R_HAVE_UITOOLS
    void loadedFormMatchesCompiledForm();
#endif

#ifdef ZB4R_DESIGNER_PLUGIN
    void pluginLoadsAsDesignerLoadsIt();
    void pluginOffersEveryWidget();
    void pluginDomXmlDescribesEachWidget();
#ifdef ZB4R_HAVE_UITOOLS
    void pluginServesAPlainFormLoader();
#endif
#endif
    void enumPropertiesAreNamed();

private:
    std::unique_ptr<QWidget> makeForm(const QString &how);
    void formRows();

    FormFile m_form;
};

void tst_Designer::initTestCase()
{
    m_form = readForm(formPath());
    QVERIFY2(!m_form.properties.isEmpty(), qPrintable(formPath()));
}

std::unique_ptr<QWidget> tst_Designer::makeForm(const QString &how)
{
    if (how == QLatin1String(kCompiled)) {
        auto form = std::make_unique<QWidget>();
        Ui::AllWidgetsForm ui;
        ui.setupUi(form.get());
        return form;
    }
#ifdef ZB4R_HAVE_UITOOLS
    QFile file(formPath());
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    TCatalogueLoader loader;
    return std::unique_ptr<QWidget>(loader.load(&file));
#else
    return nullptr;
#endif
}

void tst_Designer::formRows()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("uic") << QString::fromLatin1(kCompiled);
#ifdef ZB4R_HAVE_UITOOLS
    QTest::newRow("QUiLoader") << QString::fromLatin1(kLoaded);
#endif
}

void tst_Designer::catalogueDescribesItsWidgets()
{
    QSet<QString> seen;
    for (const TWidgetCatalogueEntry &entry : TWidgetCatalogue::entries()) {
        const QString name = entry.className();
        QVERIFY2(!seen.contains(name), qPrintable(name));
        seen.insert(name);
        QCOMPARE(TWidgetCatalogue::find(name), &entry);

        std::unique_ptr<QWidget> w(
                TWidgetCatalogue::createWidget(name, nullptr, QStringLiteral("x")));
        QVERIFY(w);
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), name);
        QCOMPARE(w->objectName(), QStringLiteral("x"));
        QVERIFY2(w->inherits(entry.extends), entry.extends);
        QVERIFY(entry.defaultSize.isValid() && !entry.defaultSize.isEmpty());
        QVERIFY(qstrlen(entry.toolTip) > 0);

        // The include file is a header of the library that declares the class.
        QFile header(QDir(QString::fromLocal8Bit(ZB4R_WIDGET_HEADER_DIR))
                             .filePath(QString::fromLatin1(entry.includeFile)));
        QVERIFY2(header.open(QIODevice::ReadOnly), entry.includeFile);
        QVERIFY2(header.readAll().contains("class ZB4R_WIDGETS_EXPORT " + name.toLatin1() + " :"),
                 entry.includeFile);

        // A row names a sample address exactly when its widget is bound; every bound widget
        // keeps its address out of translation.
        const bool bound = dynamic_cast<TMemProxy *>(w.get()) != nullptr;
        QCOMPARE(entry.sampleAddress != nullptr, bound);
        QCOMPARE(entry.untranslatedProperties().contains(QStringLiteral("namedAddress")), bound);
    }
    QCOMPARE(TWidgetCatalogue::classNames().size(), TWidgetCatalogue::entries().size());
}

void tst_Designer::catalogueIgnoresUnknownClasses()
{
    QWidget parent;
    for (const QString &name : {QString(), QStringLiteral("QLabel"), QStringLiteral("CSlider"),
                                QStringLiteral("CPopupItem"), QStringLiteral("cdial")}) {
        QVERIFY(!TWidgetCatalogue::find(name));
        QVERIFY(!TWidgetCatalogue::createWidget(name, &parent, QStringLiteral("x")));
    }
    QVERIFY(parent.children().isEmpty());
}

void tst_Designer::testFormUsesEveryCatalogueWidget()
{
    QStringList declared = m_form.customClasses;
    QStringList catalogue = TWidgetCatalogue::classNames();
    declared.sort();
    catalogue.sort();
    QCOMPARE(declared, catalogue);
    for (const QString &cls : catalogue) {
        QVERIFY2(m_form.widgetClasses.contains(cls), qPrintable(cls));
        QCOMPARE(m_form.customHeaders.value(cls),
                 QString::fromLatin1(TWidgetCatalogue::find(cls)->includeFile));
    }
}

void tst_Designer::formSetsEveryProperty_data()
{
    formRows();
}

void tst_Designer::formSetsEveryProperty()
{
    QFETCH(QString, how);
    std::unique_ptr<QWidget> form = makeForm(how);
    QVERIFY(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    int checked = 0;
    for (const FormProperty &p : qAsConst(m_form.properties)) {
        const QString where = p.widget + QLatin1Char('.') + p.name;
        QWidget *w = form->findChild<QWidget *>(p.widget);
        QVERIFY2(w, qPrintable(where));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), p.className);
        const int index = w->metaObject()->indexOfProperty(p.name.toLatin1().constData());
        QVERIFY2(index >= 0, qPrintable(where));
        const QMetaProperty mp = w->metaObject()->property(index);
        const QVariant expected = expectedValue(p, mp);
        QVERIFY2(expected.isValid(), qPrintable(where));
        QCOMPARE(comparable(w->property(mp.name()), mp), expected);

        // The form sets something a fresh widget does not have, so a setter that drops its
        // value would show.
        std::unique_ptr<QWidget> fresh(TWidgetCatalogue::createWidget(p.className));
        if (fresh) {
            QVERIFY2(comparable(fresh->property(mp.name()), mp) != expected, qPrintable(where));
            ++checked;
        }
    }
    // Several properties for every catalogue widget.
    QVERIFY(checked >= 3 * TWidgetCatalogue::entries().size());
}

void tst_Designer::formFollowsTheMemory_data()
{
    formRows();
}

void tst_Designer::formFollowsTheMemory()
{
    QFETCH(QString, how);
    TParamMemory memory;
    std::unique_ptr<QWidget> form = makeForm(how);
    QVERIFY(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    // Every widget with an address is bound, on the channel the form is bound to.
    QList<TMemProxy *> addressed;
    for (QObject *o : form->findChildren<QObject *>()) {
        TMemProxy *proxy = dynamic_cast<TMemProxy *>(o);
        if (proxy && !proxy->namedAddress().isEmpty())
            addressed.append(proxy);
    }
    QVERIFY(addressed.size() >= boundEntryCount());
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
    auto *fader = form->findChild<CFader *>(QStringLiteral("levelFader"));
    auto *button = form->findChild<COnOffButton *>(QStringLiteral("onButton"));
    auto *patch = form->findChild<CPopup *>(QStringLiteral("patchSelector"));
    auto *curve = form->findChild<CEqCurve *>(QStringLiteral("eqCurve"));
    auto *meter = form->findChild<CMeter *>(QStringLiteral("levelMeter"));
    QVERIFY(dial && fader && button && patch && curve && meter);

    // Continuous controls take a value part-way up their range.
    const auto midRange = [&](const TMemProxy *proxy, int divisor) {
        const IMemAPI::TSingleAddress a = boundAddress(proxy);
        const int lo = memory.getMinimum(a.element, a.parameter, a.channel);
        const int hi = memory.getMaximum(a.element, a.parameter, a.channel);
        const int v = lo + (hi - lo) / divisor;
        return v == memoryValue(memory, a) ? v + 1 : v;
    };
    {
        auto *label = form->findChild<QLabel *>(QStringLiteral("gainText"));
        QVERIFY(label);
        QSignalSpy texts(dial, &CDial::textualValueChange);
        const int v = midRange(dial, 3);
        writeValue(memory, boundAddress(dial), v);
        QCOMPARE(dial->value(), v);
        // The text slider on the same address follows in whole dB, as the form asks.
        auto *gainText = form->findChild<CTextSlider *>(QStringLiteral("gainTextSlider"));
        QVERIFY(gainText);
        QCOMPARE(gainText->value(), v);
        QCOMPARE(gainText->text(), QStringLiteral("%1 dB").arg(v));
        // The form's connection carries the new value's text.
        QCOMPARE(texts.size(), 1);
        QVERIFY(!label->text().isEmpty());
        QCOMPARE(label->text(), texts.last().at(0).toString());
    }
    {
        const int v = midRange(fader, 2);
        writeValue(memory, boundAddress(fader), v);
        QCOMPARE(fader->value(), v);
    }

    // The switch shows both raw values, the form's inverted logic applied.
    {
        const IMemAPI::TSingleAddress a = boundAddress(button);
        const int first = memoryValue(memory, a) == 0 ? 1 : 0;
        QList<bool> shown;
        for (int raw : {first, 1 - first}) {
            writeValue(memory, a, raw);
            QCOMPARE(button->isChecked(), button->isOnValue(raw));
            shown.append(button->isChecked());
        }
        QVERIFY(shown.at(0) != shown.at(1));
        QCOMPARE(button->isOnValue(1), !button->invertedLogic());
    }

    // The selector shows the name of the new value.
    {
        const IMemAPI::TSingleAddress a = boundAddress(patch);
        const int lo = memory.getMinimum(a.element, a.parameter, a.channel);
        const int raw = memoryValue(memory, a) == lo + 3 ? lo + 4 : lo + 3;
        writeValue(memory, a, raw);
        const int index = patch->indexFromRawValue(raw);
        QVERIFY(index >= 0);
        QCOMPARE(patch->currentSelection(), index);
        QVERIFY(index < patch->labelList().size());
        QCOMPARE(patch->text(), patch->labelList().at(index));
    }

    // A band gain of the bound EQ reshapes the curve.
    {
        IMemAPI::TSingleAddress a;
        QVERIFY(memory.resolveNamed(QStringLiteral("FEkInputEQ/kBandGain2"), kChannel, &a));
        const int recalculations = curve->recalculationCount();
        QVector<int> before;
        for (int i = 0; i < curve->dataset().count; ++i)
            before.append(curve->dataset().bands[i].gain);
        const int hi = memory.getMaximum(a.element, a.parameter, a.channel);
        writeValue(memory, a, memoryValue(memory, a) == hi / 2 ? hi / 3 : hi / 2);
        QVERIFY(curve->recalculationCount() > recalculations);
        QVector<int> after;
        for (int i = 0; i < curve->dataset().count; ++i)
            after.append(curve->dataset().bands[i].gain);
        QVERIFY(before != after);
    }

    // A level fed from another thread lights the form's meter.
    {
        const IMemAPI::TSingleAddress a = boundAddress(meter);
        int level = 0;
        for (int candidate : {1000, 2000, 3000, 4000}) {
            if (meter->meterLevelIndex(candidate) != meter->value()) {
                level = candidate;
                break;
            }
        }
        QVERIFY(level > 0);
        onWorker([&] { memory.pushMeterLevel(a.element, a.parameter, a.channel, level, level); });
        QCOMPARE(meter->value(), meter->meterLevelIndex(level));
    }
}

void tst_Designer::formConnectionsCarryUserChanges_data()
{
    formRows();
}

void tst_Designer::formConnectionsCarryUserChanges()
{
    QFETCH(QString, how);
    TParamMemory memory;
    std::unique_ptr<QWidget> form = makeForm(how);
    QVERIFY(form);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    memory.connectTree(form.get(), kChannel);

    auto *dial = form->findChild<CDial *>(QStringLiteral("gainDial"));
    auto *label = form->findChild<QLabel *>(QStringLiteral("gainText"));
    QVERIFY(dial && label);
    const IMemAPI::TSingleAddress a = boundAddress(dial);
    const int before = memoryValue(memory, a);
    QSignalSpy texts(dial, &CDial::textualValueChange);

    // The user turns the knob: the memory takes the value, the form's connection the text.
    dial->setFocus();
    QTest::keyClick(dial, before < dial->maximum() ? Qt::Key_Up : Qt::Key_Down);
    settle();
    QVERIFY(memoryValue(memory, a) != before);
    QCOMPARE(memoryValue(memory, a), dial->value());
    QVERIFY(!texts.isEmpty());
    QVERIFY(!label->text().isEmpty());
    QCOMPARE(label->text(), texts.last().at(0).toString());
}

#ifdef ZB4R_HAVE_UITOOLS
void tst_Designer::loadedFormMatchesCompiledForm()
{
    std::unique_ptr<QWidget> compiled = makeForm(QString::fromLatin1(kCompiled));
    std::unique_ptr<QWidget> loaded = makeForm(QString::fromLatin1(kLoaded));
    QVERIFY(compiled && loaded);
    QCOMPARE(loaded->objectName(), compiled->objectName());
    // The form's widgets (a dial's tip label is an unnamed helper, not part of the form).
    const auto named = [](QWidget *form) {
        QList<QWidget *> widgets;
        for (QWidget *w : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!w->objectName().isEmpty())
                widgets.append(w);
        }
        return widgets;
    };
    const QList<QWidget *> a = named(compiled.get());
    QCOMPARE(named(loaded.get()).size(), a.size());
    QCOMPARE(a.size(), m_form.widgetClasses.size() - 1);
    for (QWidget *w : a) {
        QWidget *twin = loaded->findChild<QWidget *>(w->objectName(), Qt::FindDirectChildrenOnly);
        QVERIFY2(twin, qPrintable(w->objectName()));
        QCOMPARE(QByteArray(twin->metaObject()->className()),
                 QByteArray(w->metaObject()->className()));
        QCOMPARE(twin->geometry(), w->geometry());
        // Every designable property of the library's classes reads the same.
        const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(w->metaObject()->className());
        if (!entry)
            continue;
        for (const QMetaObject *mo = w->metaObject();
             mo && qstrcmp(mo->className(), entry->extends) != 0; mo = mo->superClass()) {
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
                const QMetaProperty mp = mo->property(i);
                if (!mp.isDesignable() || !mp.isWritable())
                    continue;
                QCOMPARE(comparable(twin->property(mp.name()), mp),
                         comparable(w->property(mp.name()), mp));
            }
        }
    }
}
#endif

#ifdef ZB4R_DESIGNER_PLUGIN
namespace {

QDesignerCustomWidgetCollectionInterface *loadCollection(QPluginLoader &loader)
{
    loader.setFileName(QString::fromLocal8Bit(ZB4R_DESIGNER_PLUGIN));
    return qobject_cast<QDesignerCustomWidgetCollectionInterface *>(loader.instance());
}

} // namespace

void tst_Designer::pluginLoadsAsDesignerLoadsIt()
{
    QPluginLoader loader;
    QDesignerCustomWidgetCollectionInterface *collection = loadCollection(loader);
    QVERIFY2(collection, qPrintable(loader.errorString()));
    QCOMPARE(loader.metaData().value(QLatin1String("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface"));
    // The same instance on every load, as Designer expects of a plugin.
    QPluginLoader again(loader.fileName());
    QCOMPARE(again.instance(), loader.instance());
}

void tst_Designer::pluginOffersEveryWidget()
{
    QPluginLoader loader;
    QDesignerCustomWidgetCollectionInterface *collection = loadCollection(loader);
    QVERIFY(collection);
    const QList<QDesignerCustomWidgetInterface *> widgets = collection->customWidgets();

    QStringList offered;
    QSet<QString> groups;
    QWidget parent;
    for (QDesignerCustomWidgetInterface *w : widgets) {
        offered.append(w->name());
        groups.insert(w->group());
        QVERIFY(!w->toolTip().isEmpty());
        QVERIFY(!w->whatsThis().isEmpty());
        QCOMPARE(w->isContainer(), TWidgetCatalogue::find(w->name())->container);
        QVERIFY(!w->icon().isNull());
        QVERIFY(!w->icon().pixmap(QSize(22, 22)).toImage().isNull());
        w->initialize(nullptr);
        QVERIFY(w->isInitialized());

        QWidget *made = w->createWidget(&parent);
        QVERIFY2(made, qPrintable(w->name()));
        QCOMPARE(made->parentWidget(), &parent);
        QCOMPARE(QString::fromLatin1(made->metaObject()->className()), w->name());
        const TWidgetCatalogueEntry *row = TWidgetCatalogue::find(w->name());
        QVERIFY(row);
        QCOMPARE(dynamic_cast<TMemProxy *>(made) != nullptr, row->sampleAddress != nullptr);

        const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(w->name());
        QVERIFY(entry);
        QCOMPARE(w->includeFile(), QString::fromLatin1(entry->includeFile));
        QVERIFY(QFile::exists(
                QDir(QString::fromLocal8Bit(ZB4R_WIDGET_HEADER_DIR)).filePath(w->includeFile())));
    }
    QStringList catalogue = TWidgetCatalogue::classNames();
    offered.sort();
    catalogue.sort();
    QCOMPARE(offered, catalogue);
    QCOMPARE(groups.size(), 1);
    QCOMPARE(*groups.begin(), QStringLiteral("zb4r Console Widgets"));
    // Each kind of widget has its own picture.
    QSet<QByteArray> pictures;
    QSet<int> glyphs;
    for (QDesignerCustomWidgetInterface *w : widgets) {
        const QImage image = w->icon().pixmap(QSize(32, 32)).toImage();
        pictures.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        glyphs.insert(TWidgetCatalogue::find(w->name())->glyph);
    }
    QCOMPARE(pictures.size(), glyphs.size());
}

void tst_Designer::pluginDomXmlDescribesEachWidget()
{
    QPluginLoader loader;
    QDesignerCustomWidgetCollectionInterface *collection = loadCollection(loader);
    QVERIFY(collection);
    for (QDesignerCustomWidgetInterface *w : collection->customWidgets()) {
        const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(w->name());
        QVERIFY(entry);
        QXmlStreamReader xml(w->domXml());
        QString widgetClass;
        QString objectName;
        QString extends;
        QString header;
        QSize size;
        QStringList untranslated;
        QString property;
        QStringList children; // classes of the widgets a new instance holds
        bool containerTag = false;
        int depth = 0;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("widget"))
                --depth;
            if (!xml.isStartElement())
                continue;
            const QStringView tag = xml.name();
            if (tag == QLatin1String("widget")) {
                if (++depth > 1) {
                    children.append(xml.attributes().value(QLatin1String("class")).toString());
                    continue;
                }
                widgetClass = xml.attributes().value(QLatin1String("class")).toString();
                objectName = xml.attributes().value(QLatin1String("name")).toString();
            } else if (depth > 1) {
                continue; // the properties of a page are Qt's
            } else if (tag == QLatin1String("property")) {
                property = xml.attributes().value(QLatin1String("name")).toString();
            } else if (tag == QLatin1String("width") && size.width() < 0) {
                size.setWidth(xml.readElementText().toInt());
            } else if (tag == QLatin1String("height") && size.height() < 0) {
                size.setHeight(xml.readElementText().toInt());
            } else if (tag == QLatin1String("container")) {
                containerTag = xml.readElementText() == QLatin1String("1");
            } else if (tag == QLatin1String("string")) {
                QVERIFY2(xml.attributes().value(QLatin1String("notr")) == QLatin1String("true"),
                         qPrintable(w->name() + QLatin1Char('.') + property));
                untranslated.append(property);
                // A new instance starts from the widget's own default, not an empty string.
                std::unique_ptr<QWidget> fresh(w->createWidget(nullptr));
                const QString given = xml.readElementText();
                QCOMPARE(given, fresh->property(property.toLatin1().constData()).toString());
                if (property == QLatin1String("formatLabel"))
                    QCOMPARE(given, QStringLiteral("%0.1f"));
            } else if (tag == QLatin1String("extends")) {
                extends = xml.readElementText();
            } else if (tag == QLatin1String("header")) {
                header = xml.readElementText();
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(w->name() + QLatin1String(": ") + xml.errorString()));
        QCOMPARE(widgetClass, w->name());
        QVERIFY(!objectName.isEmpty());
        QCOMPARE(size, entry->defaultSize);
        QCOMPARE(header, w->includeFile());
        std::unique_ptr<QWidget> made(w->createWidget(nullptr));
        QVERIFY(made->inherits(extends.toLatin1().constData()));
        QCOMPARE(untranslated, entry->untranslatedProperties());
        // A container starts with what it holds: a page, or the page stack it switches.
        QCOMPARE(containerTag, entry->container);
        QCOMPARE(children.isEmpty(), !entry->container);
        if (entry->container)
            QCOMPARE(children.first(),
                     made->inherits("QTabWidget") ? QStringLiteral("QWidget")
                                                  : QStringLiteral("QStackedWidget"));
        QCOMPARE(untranslated.contains(QStringLiteral("namedAddress")),
                 entry->sampleAddress != nullptr);
    }
}

#ifdef ZB4R_HAVE_UITOOLS
void tst_Designer::pluginServesAPlainFormLoader()
{
    // A QUiLoader without the catalogue finds the widgets through the plugin, as Designer does.
    QUiLoader loader;
    loader.addPluginPath(QFileInfo(QString::fromLocal8Bit(ZB4R_DESIGNER_PLUGIN)).absolutePath());
    for (const QString &cls : TWidgetCatalogue::classNames())
        QVERIFY2(loader.availableWidgets().contains(cls), qPrintable(cls));
    QFile file(formPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&file));
    QVERIFY2(form, qPrintable(loader.errorString()));
    std::unique_ptr<QWidget> compiled = makeForm(QString::fromLatin1(kCompiled));
    for (const FormProperty &p : qAsConst(m_form.properties)) {
        QWidget *w = form->findChild<QWidget *>(p.widget);
        QVERIFY2(w, qPrintable(p.widget));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), p.className);
        const QMetaProperty mp =
                w->metaObject()->property(w->metaObject()->indexOfProperty(qPrintable(p.name)));
        QCOMPARE(comparable(w->property(mp.name()), mp),
                 comparable(compiled->findChild<QWidget *>(p.widget)->property(mp.name()), mp));
    }
}
#endif // ZB4R_HAVE_UITOOLS
#endif // ZB4R_DESIGNER_PLUGIN

void tst_Designer::enumPropertiesAreNamed()
{
    // Designer lists an enum property by its names only when the enum is registered.
    int enums = 0;
    for (const TWidgetCatalogueEntry &entry : TWidgetCatalogue::entries()) {
        std::unique_ptr<QWidget> w(entry.create(nullptr));
        for (const QMetaObject *mo = w->metaObject();
             mo && qstrcmp(mo->className(), entry.extends) != 0; mo = mo->superClass()) {
            for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
                const QMetaProperty mp = mo->property(i);
                const QMetaType type = mp.metaType();
                if (!(type.flags() & QMetaType::IsEnumeration))
                    continue;
                ++enums;
                const QString where =
                        entry.className() + QLatin1Char('.') + QLatin1String(mp.name());
                QVERIFY2(mp.isEnumType(), qPrintable(where));
                QVERIFY2(mp.enumerator().keyCount() > 1, qPrintable(where));
                const QVariant value = w->property(mp.name());
                QVERIFY2(mp.enumerator().valueToKey(comparable(value, mp).toInt()),
                         qPrintable(where));
            }
        }
    }
    // The slider's tick marks, the switch's two triggers, the meter's selector at least.
    QVERIFY(enums >= 4);
}

QTEST_MAIN(tst_Designer)
#include "tst_designer.moc"
