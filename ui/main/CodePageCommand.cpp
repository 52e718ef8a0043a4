#include "ui/main/CodePageCommand.h"

#include "engine/CodePage.h"
#include "platform/ports/SettingsStore.h"
#include "platform/widgets/RichTextArea.h"

namespace quenzal {

int storedCodePage(SettingsStore &settings)
{
    const auto stored =
        settings.read(QLatin1String(kCodePageSection), QLatin1String(kCodePageKey), QString());
    if (!stored.ok() || !stored.value())
        return 0;
    bool ok = false;
    const int number = stored.value()->trimmed().toInt(&ok);
    return ok && CodePage::isKnown(number) ? number : 0;
}

QString storeCodePage(SettingsStore &settings, int choice)
{
    const auto written =
        settings.write(QLatin1String(kCodePageSection), QLatin1String(kCodePageKey),
                       choice == 0 ? QString() : QString::number(choice));
    return written.ok() ? QString() : written.error();
}

void applyCodePage(int choice, std::initializer_list<RichTextArea *> areas)
{
    const CodePage::Page &from = CodePage::currentPage();
    CodePage::setCurrent(choice != 0 ? choice : CodePage::ofSystemLanguage());
    const CodePage::Page &to = CodePage::currentPage();
    if (&from == &to)
        return;
    for (RichTextArea *area : areas) {
        area->replaceCharacters([&from, &to](char16_t ch) {
            const auto code = from.toCode(ch);
            return code ? to.toUnicode(*code) : ch;
        });
    }
}

} // namespace quenzal
