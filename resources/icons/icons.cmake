# The shared button images: 52 pictures (00..51) at 16 and 32 pixels, served from
# ":/icons/16/NN.png" and ":/icons/32/NN.png". The PNGs are rendered from svg/ by render.sh.
set(TIVREL_BUTTON_ICONS)
foreach(size 16 32)
  foreach(index RANGE 0 51)
    if(index LESS 10)
      set(index "0${index}")
    endif()
    list(APPEND TIVREL_BUTTON_ICONS ${CMAKE_SOURCE_DIR}/resources/icons/${size}/${index}.png)
  endforeach()
endforeach()
qt_add_resources(tivrel_userlayer "button_icons" PREFIX "/icons" BASE ${CMAKE_SOURCE_DIR}/resources/icons
  FILES ${TIVREL_BUTTON_ICONS})
