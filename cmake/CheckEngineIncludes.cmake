# Refuses the build when a file of the engine includes window code: the item
# tree, the drivers, the installation library and the base framework must
# build and run without any window, so that whoever shows a run (the progress
# dialog, a test, the benchmark) answers its questions.
#   cmake -DFILES=<list> -DSTAMP=<file> -P CheckEngineIncludes.cmake
set(window_headers
    "(ui|controls)/"
    "framework/(CBitmap|CBrush|CButton|CClientDC|CCompatibleDC|CDialog|CImageList|CProgressCtrl|CPropertyPage|CPropertySheet|CSelectObject|CTreeCtrl|CWaitCursor|CWinApp|CWindowDC|CWnd|MessageBox)\\.h"
    "app/(BackupApp|BackupDialog|BackupDlg|HelpDialog)\\.h")
foreach(file IN LISTS FILES)
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        foreach(pattern IN LISTS window_headers)
            if(line MATCHES "\"${pattern}")
                message(FATAL_ERROR "${file}: the engine may not include window code: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
file(TOUCH "${STAMP}")
