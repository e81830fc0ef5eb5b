#ifndef CHANNELNAMES_H
#define CHANNELNAMES_H

#include <QAbstractListModel>
#include <QStringList>

// The names of the input channels, one row per channel: what the strips' name editors show and
// change. The demo console keeps no names of its own, so the editor holds them here.
class ChannelNames : public QAbstractListModel
{
    Q_OBJECT
public:
    ChannelNames(int channels, QObject *parent = nullptr);

    QString name(int channel) const;
    // Returns false for a channel outside the model.
    bool setName(int channel, const QString &name);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList m_names;
};

#endif
