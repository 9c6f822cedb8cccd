if(WIN32)
  target_link_libraries(mb_engine PUBLIC user32)
endif()
