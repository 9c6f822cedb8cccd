if(WIN32)
  target_link_libraries(mb_platform PUBLIC kernel32 advapi32)
endif()
