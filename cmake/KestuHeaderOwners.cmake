# Which engine folder owns each exported header in include/. A folder's
# sources see the headers of their own folder and of the folders before it in
# KESTU_ENGINE_FOLDERS, nothing later; a header may include only headers its
# folder sees. Every header in include/ is listed here exactly once.
set(KESTU_HEADERS_core
  kestu_export.h kestu_log.h kestu_config.h kestu_d3dformat.h kestu_devobjmng.h kestu_api.h
  kestu_resolution.h kestu_sysversion.h kestu_aniplay.h
  kestu_geometry.h kestu_bound.h kestu_intersect.h kestu_frustum.h kestu_eye.h kestu_line.h
  kestu_rsmng.h kestu_chain.h kestu_datachunk.h kestu_reslib.h kestu_cursor.h
  kestu_shader.h kestu_shadercontexts.h kestu_shaderlight.h kestu_vertexlight.h
  kestu_d3dfont.h kestu_d3dutil.h kestu_d3dmesh.h)
set(KESTU_HEADERS_2DCore
  kestu_pixelformat.h kestu_painttypes.h kestu_xbm.h kestu_pixelshade.h kestu_paper.h kestu_ablight.h
  kestu_blt8.h kestu_colortable.h kestu_palette.h kestu_winbuf.h kestu_ddscreen.h kestu_imagesurface.h
  kestu_sbmp.h kestu_rtbmp.h kestu_xbmfile.h kestu_imageconvert.h kestu_screenshot.h kestu_imageprobe.h
  kestu_mmx.h)
set(KESTU_HEADERS_texture
  kestu_texture_config.h kestu_texture.h kestu_texture_subtex.h kestu_texture_mng.h kestu_texture_list.h)
set(KESTU_HEADERS_text
  kestu_font.h kestu_textmarkup.h kestu_textdevice.h kestu_gfxfont.h kestu_textlayout.h kestu_textdevice3d.h)
set(KESTU_HEADERS_model
  kestu_material.h kestu_meshbuffer.h kestu_meshdata.h kestu_meshdata_kinds.h kestu_meshdataref.h
  kestu_meshdatamng.h kestu_object.h kestu_skin.h kestu_action.h kestu_skeleton.h kestu_skeletonani.h)
set(KESTU_HEADERS_meshani
  kestu_gmafile.h kestu_gmatools.h kestu_gmaconvert.h kestu_gmacontainer.h kestu_meshanidata.h
  kestu_meshani.h kestu_meshanimng.h)
set(KESTU_HEADERS_effects
  kestu_bbanimation.h kestu_billboard.h kestu_bbmng.h kestu_trail.h kestu_trailemitter.h kestu_particle.h
  kestu_ppsdomain.h kestu_particlegroup.h kestu_ppsmethod.h kestu_ppsmethods.h kestu_ppsaction.h
  kestu_ppsactions.h kestu_ppsscript.h kestu_particlesystem.h kestu_particlesystemmng.h)
# kestu.h gathers every header, so it belongs to the last folder.
set(KESTU_HEADERS_terrain
  kestu_quadtree.h kestu_distlod.h kestu_terrainlod.h kestu_terraindata.h kestu_terrain.h
  kestu_terrainwater.h kestu_shaderwatertex.h kestu_cubeenv.h kestu_shaderwater.h kestu_rain.h kestu_fire.h
  kestu_fog.h kestu_skytent.h kestu_lensflare.h kestu_quadsquare.h kestu_dtrecords.h kestu_dtpool.h
  kestu_dtquadtree.h kestu_dtblock.h kestu_dtoutlying.h kestu_dynamicterrain.h kestu.h)
