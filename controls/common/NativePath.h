// The program hands paths over in its Windows form (backslashes, perhaps a drive letter).
#pragma once

#include <QString>

// "C:\dir\res\Tessaply.skn" or "\dir\res\Tessaply.skn" -> "/dir/res/Tessaply.skn".
// A native file name that itself contains a backslash cannot be reached this way.
inline QString NativePath(QString path)
{
    path.replace(u'\\', u'/');
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter())
        path.remove(0, 2);
    return path;
}
