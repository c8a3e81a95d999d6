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

UiLanguage resourceLanguage = UiLanguage::Chinese;

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

// The text of a resource's member (a title or a text) in the resource language: English where the
// resource gives one, the text itself where it needs none (a name, an address).
QString TextOf(const QJsonObject& object, const QString& member,
               UiLanguage language = resourceLanguage)
{
    if (language == UiLanguage::English) {
        const QJsonValue english = object.value(member + QStringLiteral("_en"));
        if (english.isString())
            return english.toString();
    }
    return object.value(member).toString();
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

void UseResourceLanguage(UiLanguage language)
{
    resourceLanguage = language;
}

DialogTemplate LoadDialogTemplate(int id)
{
    const QJsonObject object = FindById(DIALOG_DIRECTORY, id);
    DialogTemplate t;
    t.id = id;
    t.name = object.value(QStringLiteral("name")).toString();
    t.title = TextOf(object, QStringLiteral("title"));
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
                           TextOf(c, QStringLiteral("text")),
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
        popup.text = TextOf(p, QStringLiteral("text"));
        for (const QJsonValue& itemValue : p.value(QStringLiteral("items")).toArray()) {
            const QJsonObject i = itemValue.toObject();
            popup.items.append({i.value(QStringLiteral("id")).toInt(),
                                i.value(QStringLiteral("name")).toString(),
                                TextOf(i, QStringLiteral("text"))});
        }
        menu.popups.append(popup);
    }
    return menu;
}

QString LoadResourceString(int id)
{
    static const auto tableIn = [](UiLanguage language) {
        QHash<int, QString> strings;
        const QJsonArray table = ReadJson(STRING_TABLE).value(QStringLiteral("strings")).toArray();
        for (const QJsonValue& value : table) {
            const QJsonObject s = value.toObject();
            strings.insert(s.value(QStringLiteral("id")).toInt(),
                           TextOf(s, QStringLiteral("text"), language));
        }
        return strings;
    };
    static const QHash<int, QString> chinese = tableIn(UiLanguage::Chinese);
    static const QHash<int, QString> english = tableIn(UiLanguage::English);
    return (resourceLanguage == UiLanguage::English ? english : chinese).value(id);
}
