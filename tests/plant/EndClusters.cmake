# Ends the PostgreSQL clusters that plant tests left running (a crash, a timeout): each note
# in FOLDER names a data folder; its postmaster.pid names the process. Run by ctest.
file(GLOB notes ${FOLDER}/*)
foreach(note ${notes})
    file(READ ${note} data)
    if(EXISTS ${data}/postmaster.pid)
        file(STRINGS ${data}/postmaster.pid lines LIMIT_COUNT 1)
        list(GET lines 0 pid)
        # Only a postgres process of that data folder.
        if(pid MATCHES "^[0-9]+$" AND EXISTS /proc/${pid}/cmdline)
            file(READ /proc/${pid}/cmdline cmdline)
            if(cmdline MATCHES "postgres")
                execute_process(COMMAND kill -QUIT ${pid})
                message(STATUS "ended the cluster in ${data} (${pid})")
            endif()
        endif()
    endif()
    file(REMOVE ${note})
endforeach()
