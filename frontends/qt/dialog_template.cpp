#include "dialog_template.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString DIALOG_DIRECTORY = QStringLiteral(":/res/dialogs/");
const QString MENU_DIRECTORY = QStringLiteral(":/res/menus/");
const QString STRING_TABLE = QStringLiteral(":/res/strings.json");

QJsonObject ReadJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("resource %s is missing", qPrintable(path));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject())
        qFatal("resource %s is malformed: %s", qPrintable(path), qPrintable(error.errorString()));
    return document.object();
}

// The resource file whose "id" is id among the JSON files of a directory.
QJsonObject FindById(const QString& directory, int id)
{
    const QStringList files = QDir(directory).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString& file : files) {
        QJsonObject object = ReadJson(directory + file);
        if (object.value(QStringLiteral("id")).toInt() == id)
            return object;
    }
    qFatal("no resource with id %d in %s", id, qPrintable(directory));
}

QRect RectOf(const QJsonValue& value)
{
    const QJsonArray r = value.toArray();
    return QRect(r.at(0).toInt(), r.at(1).toInt(), r.at(2).toInt(), r.at(3).toInt());
}

QStringList StringsOf(const QJsonValue& value)
{
    QStringList list;
    for (const QJsonValue& v : value.toArray())
        list << v.toString();
    return list;
}

} // namespace

DialogTemplate LoadDialogTemplate(int id)
{
    const QJsonObject object = FindById(DIALOG_DIRECTORY, id);
    DialogTemplate t;
    t.id = id;
    t.name = object.value(QStringLiteral("name")).toString();
    t.title = object.value(QStringLiteral("title")).toString();
    const QJsonArray size = object.value(QStringLiteral("size")).toArray();
    t.size = QSize(size.at(0).toInt(), size.at(1).toInt());
    const QJsonObject font = object.value(QStringLiteral("font")).toObject();
    t.fontFace = font.value(QStringLiteral("face")).toString();
    t.fontPoints = font.value(QStringLiteral("points")).toInt();
    t.styles = StringsOf(object.value(QStringLiteral("styles")));
    for (const QJsonValue& value : object.value(QStringLiteral("controls")).toArray()) {
        const QJsonObject c = value.toObject();
        t.controls.append({c.value(QStringLiteral("id")).toInt(),
                           c.value(QStringLiteral("name")).toString(),
                           c.value(QStringLiteral("kind")).toString(),
                           c.value(QStringLiteral("text")).toString(),
                           RectOf(c.value(QStringLiteral("rect"))),
                           StringsOf(c.value(QStringLiteral("styles")))});
    }
    return t;
}

MenuTemplate LoadMenuTemplate(int id)
{
    const QJsonObject object = FindById(MENU_DIRECTORY, id);
    MenuTemplate menu;
    menu.id = id;
    menu.name = object.value(QStringLiteral("name")).toString();
    for (const QJsonValue& popupValue : object.value(QStringLiteral("popups")).toArray()) {
        const QJsonObject p = popupValue.toObject();
        PopupTemplate popup;
        popup.text = p.value(QStringLiteral("text")).toString();
        for (const QJsonValue& itemValue : p.value(QStringLiteral("items")).toArray()) {
            const QJsonObject i = itemValue.toObject();
            popup.items.append({i.value(QStringLiteral("id")).toInt(),
                                i.value(QStringLiteral("name")).toString(),
                                i.value(QStringLiteral("text")).toString()});
        }
        menu.popups.append(popup);
    }
    return menu;
}

QString LoadResourceString(int id)
{
    static const QHash<int, QString> table = [] {
        QHash<int, QString> strings;
        for (const QJsonValue& value : ReadJson(STRING_TABLE).value(QStringLiteral("strings")).toArray()) {
            const QJsonObject s = value.toObject();
            strings.insert(s.value(QStringLiteral("id")).toInt(),
                           s.value(QStringLiteral("text")).toString());
        }
        return strings;
    }();
    return table.value(id);
}
