#include "ChannelNames.h"

#include <iterator>

namespace {

// What a fresh session shows before anybody names the channels.
const char *const kStartNames[] = {"Kick",   "Snare",  "Hi-hat", "Bass DI",
                                   "Guitar", "Keys L", "Keys R", "Lead vocal"};

} // namespace

ChannelNames::ChannelNames(int channels, QObject *parent)
    : QAbstractListModel(parent)
{
    for (int c = 0; c < channels; ++c) {
        m_names.append(c < int(std::size(kStartNames)) ? QString::fromLatin1(kStartNames[c])
                                                       : QStringLiteral("Input %1").arg(c + 1));
    }
}

QString ChannelNames::name(int channel) const
{
    return m_names.value(channel);
}

bool ChannelNames::setName(int channel, const QString &name)
{
    return setData(index(channel), name);
}

int ChannelNames::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant ChannelNames::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return m_names.at(index.row());
}

bool ChannelNames::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    const QString name = value.toString();
    if (m_names.at(index.row()) == name)
        return true;
    m_names[index.row()] = name;
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags ChannelNames::flags(const QModelIndex &index) const
{
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable;
}
