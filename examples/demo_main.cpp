#include "TParamMemory.h"

#include <QCoreApplication>
#include <QTextStream>

// Until the editor exists: print the catalogue and a round trip of a few values.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TParamMemory memory;
    QTextStream out(stdout);
    out << "catalogue: " << memory.catalogueName() << "\n";
    for (const QString &key : memory.sectionKeys()) {
        const int e = memory.sectionElement(key);
        out << "  " << key << " element " << e << ", " << memory.channelCount(e) << " channels, "
            << memory.parameters(e).size() << " parameters\n";
    }
    return 0;
}
