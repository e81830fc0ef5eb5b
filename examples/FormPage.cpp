#include "FormPage.h"

#include "COnOffButton.h"
#include "TParamMemory.h"
#include "TWidgetCatalogue.h"

#include <QFile>
#include <QLabel>
#include <QUiLoader>
#include <QVBoxLayout>

namespace {

const char *const kFormResource = ":/zb4r/forms/channel_form.ui";

// Creates the library's widgets by class name and leaves everything else to Qt.
class TFormLoader : public QUiLoader
{
public:
    explicit TFormLoader(QObject *parent = nullptr)
        : QUiLoader(parent)
    {
    }

    QWidget *createWidget(const QString &className, QWidget *parent, const QString &name) override
    {
        if (QWidget *w = TWidgetCatalogue::createWidget(className, parent, name))
            return w;
        return QUiLoader::createWidget(className, parent, name);
    }
};

} // namespace

FormPage::FormPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
{
    auto *layout = new QVBoxLayout(this);
    QFile file(QString::fromLatin1(kFormResource));
    TFormLoader loader;
    if (file.open(QIODevice::ReadOnly))
        m_form = loader.load(&file, this);
    if (m_form) {
        layout->addWidget(m_form);
        return;
    }
    m_problem = QStringLiteral("The form could not be loaded: %1")
                        .arg(file.isOpen() ? loader.errorString() : file.errorString());
    layout->addWidget(new QLabel(m_problem, this));
}

void FormPage::bind()
{
    // The form's widgets carry their addresses as properties; binding resolves them now.
    DemoPage::bind();
    // Switches and selectors otherwise wait for the first change to show their value.
    const QList<COnOffButton *> buttons = findChildren<COnOffButton *>();
    for (COnOffButton *b : buttons)
        b->process(nullptr, 0, 1);
}
