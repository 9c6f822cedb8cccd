if(WIN32)
  target_link_libraries(mb_app PUBLIC shell32 user32 ole32)
endif()
