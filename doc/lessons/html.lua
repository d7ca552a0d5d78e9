-- pandoc filter for the lessons' HTML pages: links between lessons point to
-- the pages (a.md -> a.html, README.md -> index.html), and a page's title is
-- its first heading.
function Link(link)
  link.target = link.target:gsub("^README%.md", "index.html"):gsub("^([%w%-]+)%.md", "%1.html")
  return link
end

function Pandoc(doc)
  if doc.meta.title == nil and doc.meta.pagetitle == nil then
    for _, block in ipairs(doc.blocks) do
      if block.t == "Header" and block.level == 1 then
        doc.meta.pagetitle = pandoc.utils.stringify(block.content)
        break
      end
    end
  end
  return doc
end
