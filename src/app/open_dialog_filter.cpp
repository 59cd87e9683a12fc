#include "app/open_dialog_filter.h"

#include "filelist/image_patterns.h"

std::u16string openDialogFilter()
{
    std::u16string filter = u"All Files";
    filter += u'\0';
    filter += u"*.*";
    filter += u'\0';
    filter += u"Pictures";
    filter += u'\0';
    for (int i = 0; i < imagePatternCount; ++i) {
        if (i > 0)
            filter += u';';
        filter += imagePatterns[i];
    }
    filter += u'\0';
    filter += u'\0';
    return filter;
}
